# cmake -D BUILD_DIR=... -D WORK_DIR=... -P packagecheck.cmake
#
# Builds the Debian package from this build with CPack and runs lintian on
# it: any error or warning fails. Informational tags are printed, not
# counted. Without lintian the test is skipped.

find_program(lintian lintian)
if(NOT lintian)
  message("lintian is not installed: the package is not checked (scripts/install-deps)")
  return()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND cpack --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB deb ${WORK_DIR}/*.deb)
if(NOT rc EQUAL 0 OR NOT deb)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()

execute_process(COMMAND ${lintian} -I ${deb} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
message("${out}")
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" problems "${out}")
if(problems OR NOT rc EQUAL 0)
  message(FATAL_ERROR "lintian on ${deb} (status ${rc}):\n${out}${err}")
endif()
