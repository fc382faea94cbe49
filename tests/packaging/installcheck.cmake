# cmake -D BUILD_DIR=... -D WORK_DIR=... -P installcheck.cmake
#
# Installs the build twice: system-wide (prefix /usr, staged through DESTDIR,
# as the Debian package does) and under a private prefix. Fails on a missing
# or stray file, an invalid desktop entry, an icon of the wrong size or a
# service unit systemd would refuse.

set(icons)
foreach(size 16 32 48)
  foreach(name zel-fm-monitor zel-fm-monitor-tray-silent zel-fm-monitor-tray-active)
    list(APPEND icons share/icons/hicolor/${size}x${size}/apps/${name}.png)
  endforeach()
endforeach()

# root: the folder everything must land in; destdir: empty or the same root.
function(install_and_check label destdir prefix root autostart_dir)
  file(REMOVE_RECURSE ${root})
  set(ENV{DESTDIR} "${destdir}")
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${label}: cmake --install failed (${rc})")
  endif()

  set(expected ${autostart_dir}/zel-fm-monitor.desktop)
  foreach(f bin/zel-fm-monitor bin/zel-fm-sim bin/zel-fm-history
            libexec/zel-fm-monitor/zel-fm-monitor-window
            share/applications/zel-fm-monitor.desktop
            share/zel-fm-monitor/prometheus/zel-fm-monitor-rules.yml
            share/zel-fm-monitor/alertmanager/zel-fm-monitor.yml
            share/zel-fm-monitor/grafana/zel-fm-monitor.json
            share/doc/zel-fm-monitor/copyright share/doc/zel-fm-monitor/changelog.gz
            share/man/man1/zel-fm-monitor.1.gz share/man/man1/zel-fm-sim.1.gz
            share/man/man1/zel-fm-history.1.gz share/man/man5/zel-fm-monitor.conf.5.gz
            lib/systemd/system/zel-fm-monitor.service lib/sysusers.d/zel-fm-monitor.conf
            ${icons})
    list(APPEND expected ${destdir}${prefix}/${f})
  endforeach()
  file(GLOB_RECURSE found LIST_DIRECTORIES false ${root}/*)
  list(SORT expected)
  list(SORT found)
  if(NOT found STREQUAL expected)
    list(JOIN found "\n  " f)
    list(JOIN expected "\n  " e)
    message(FATAL_ERROR "${label}: installed\n  ${f}\nexpected\n  ${e}")
  endif()

  foreach(entry ${autostart_dir}/zel-fm-monitor.desktop
                ${destdir}${prefix}/share/applications/zel-fm-monitor.desktop)
    execute_process(COMMAND desktop-file-validate ${entry} RESULT_VARIABLE rc
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
      message(FATAL_ERROR "${label}: ${entry} is not a valid desktop entry:\n${out}")
    endif()
  endforeach()

  # Width and height are the first two fields of the PNG header chunk.
  foreach(icon ${icons})
    string(REGEX MATCH "/([0-9]+)x" _ ${icon})
    set(size ${CMAKE_MATCH_1})
    file(READ ${destdir}${prefix}/${icon} header OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING ${header} 0 8 w)
    string(SUBSTRING ${header} 8 8 h)
    math(EXPR w "0x${w}")
    math(EXPR h "0x${h}")
    if(NOT w EQUAL size OR NOT h EQUAL size)
      message(FATAL_ERROR "${label}: ${icon} is ${w}x${h}, not ${size}x${size}")
    endif()
  endforeach()

  # The unit must name the program where this install put it.
  set(unit ${destdir}${prefix}/lib/systemd/system/zel-fm-monitor.service)
  file(STRINGS ${unit} exec REGEX "^ExecStart=")
  if(NOT exec STREQUAL "ExecStart=${prefix}/bin/zel-fm-monitor --headless")
    message(FATAL_ERROR "${label}: ${unit} has ${exec}")
  endif()
  # systemd's own check, on a copy that runs the program where it was put.
  find_program(systemd_analyze systemd-analyze)
  if(systemd_analyze)
    file(READ ${unit} text)
    string(REPLACE "ExecStart=${prefix}" "ExecStart=${destdir}${prefix}" text "${text}")
    file(WRITE ${root}.verify/zel-fm-monitor.service "${text}")
    execute_process(COMMAND ${systemd_analyze} verify --man=no
                            ${root}.verify/zel-fm-monitor.service
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
      message(FATAL_ERROR "${label}: systemd-analyze verify ${unit}:\n${out}")
    endif()
  endif()
endfunction()

install_and_check("system-wide" ${WORK_DIR}/system /usr ${WORK_DIR}/system
                  ${WORK_DIR}/system/etc/xdg/autostart)
install_and_check("private prefix" "" ${WORK_DIR}/private/opt ${WORK_DIR}/private
                  ${WORK_DIR}/private/opt/etc/xdg/autostart)
