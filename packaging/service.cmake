# zel-fm-monitor.service and the account it runs as. The unit names the
# program by its installed path, known only at install time (the prefix can
# change then), as for the autostart entry.
set(unit_in ${CMAKE_CURRENT_SOURCE_DIR}/systemd/zel-fm-monitor.service.in)
# Each destination gets its own copy, so installs run side by side (the
# tests and CPack) cannot write one another's.
install(CODE "
  file(READ \"${unit_in}\" unit)
  string(REPLACE \"@ZEL_BINDIR@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
  string(MD5 destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(unit_out \"${CMAKE_CURRENT_BINARY_DIR}/systemd/\${destination}/zel-fm-monitor.service\")
  file(WRITE \"\${unit_out}\" \"\${unit}\")
  file(INSTALL \"\${unit_out}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
")
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/systemd/zel-fm-monitor.sysusers
        DESTINATION lib/sysusers.d RENAME zel-fm-monitor.conf)
