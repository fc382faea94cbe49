# The documents the package carries, each written at build time from one
# source: manual pages from the programs' own --help and --version
# (help2man), the settings page from its roff source, the Debian changelog
# from CHANGELOG.md and the copyright file from LICENSE.
find_program(ZEL_HELP2MAN help2man)
find_program(ZEL_GZIP gzip)
if(NOT ZEL_HELP2MAN OR NOT ZEL_GZIP)
  message(FATAL_ERROR "help2man and gzip make the manual pages: run scripts/install-deps")
endif()

set(man_out ${CMAKE_CURRENT_BINARY_DIR}/man)
set(doc_out ${CMAKE_CURRENT_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${man_out} ${doc_out})
# No display, as on a site PC over SSH; sanitizer builds run here too.
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
               ASAN_OPTIONS=detect_leaks=0)

set(docs)
foreach(program ${zel_programs})
  set(page ${man_out}/${program}.1)
  set(include ${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.h2m)
  # help2man takes any output; --help and --version must also succeed.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${no_display} $<TARGET_FILE:${program}> --help > /dev/null
    COMMAND ${no_display} $<TARGET_FILE:${program}> --version > /dev/null
    COMMAND ${no_display} ${ZEL_HELP2MAN} --no-info --include=${include} --output=${page}
            $<TARGET_FILE:${program}>
    COMMAND ${ZEL_GZIP} -9nf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND docs ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

string(TIMESTAMP ZEL_MAN_DATE "%B %Y" UTC)
configure_file(man/zel-fm-monitor.conf.5.in ${man_out}/zel-fm-monitor.conf.5 @ONLY)
add_custom_command(OUTPUT ${man_out}/zel-fm-monitor.conf.5.gz
  COMMAND ${ZEL_GZIP} -9nkf ${man_out}/zel-fm-monitor.conf.5
  DEPENDS ${man_out}/zel-fm-monitor.conf.5
  VERBATIM)
list(APPEND docs ${man_out}/zel-fm-monitor.conf.5.gz)
install(FILES ${man_out}/zel-fm-monitor.conf.5.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man5)

set(debian ${CMAKE_CURRENT_SOURCE_DIR}/debian)
add_custom_command(OUTPUT ${doc_out}/changelog.gz
  COMMAND sh ${debian}/changelog.sh ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_NAME}
          ${PROJECT_VERSION} ${ZEL_PACKAGE_MAINTAINER} ${doc_out}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${debian}/changelog.sh
  VERBATIM)
add_custom_command(OUTPUT ${doc_out}/copyright
  COMMAND sh ${debian}/copyright.sh ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_NAME}
          ${ZEL_PACKAGE_MAINTAINER} ${doc_out}/copyright
  DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE ${debian}/copyright.sh
  VERBATIM)
list(APPEND docs ${doc_out}/changelog.gz ${doc_out}/copyright)
install(FILES ${doc_out}/changelog.gz ${doc_out}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(zel-docs ALL DEPENDS ${docs})
