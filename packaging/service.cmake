# zel-fm-monitor.service, the template zel-fm-monitor@.service (one instance
# per transmitter, the instance naming its folders) and the account both run
# as. Both units come from one source, so that an instance's limits and
# hardening are always the single unit's.
set(ZEL_UNIT_USE "# Installed disabled: systemctl enable --now zel-fm-monitor")
set(ZEL_UNIT_WHICH "")
set(ZEL_UNIT_FOLDER "")
set(ZEL_UNIT_INSTANCE "")
# The program's path stays a placeholder until install time (below).
set(ZEL_BINDIR "@ZEL_BINDIR@")
configure_file(systemd/zel-fm-monitor.service.in systemd/zel-fm-monitor.service.in @ONLY)
set(ZEL_UNIT_USE
    "# One of several transmitters on this PC; the instance name is its profile:
# settings in /etc/zel-fm-monitor/NAME/ZEL/ZEL.ini, files in
# /var/lib/zel-fm-monitor/NAME/ZEL/ (read with zel-fm-history --profile NAME).
# Installed disabled: systemctl enable --now zel-fm-monitor@NAME")
set(ZEL_UNIT_WHICH " (profile %i)")
set(ZEL_UNIT_FOLDER "/%i")
set(ZEL_UNIT_INSTANCE "@%i")
configure_file(systemd/zel-fm-monitor.service.in systemd/zel-fm-monitor@.service.in @ONLY)

# The units name the program by its installed path, known only at install
# time (the prefix can change then), as for the autostart entry. Each
# destination gets its own copies, so installs run side by side (the tests
# and CPack) cannot write one another's.
install(CODE "
  string(MD5 destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  foreach(name zel-fm-monitor.service zel-fm-monitor@.service)
    file(READ \"${CMAKE_CURRENT_BINARY_DIR}/systemd/\${name}.in\" unit)
    string(REPLACE \"@ZEL_BINDIR@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
    set(unit_out \"${CMAKE_CURRENT_BINARY_DIR}/systemd/\${destination}/\${name}\")
    file(WRITE \"\${unit_out}\" \"\${unit}\")
    file(INSTALL \"\${unit_out}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
  endforeach()
")
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/systemd/zel-fm-monitor.sysusers
        DESTINATION lib/sysusers.d RENAME zel-fm-monitor.conf)
