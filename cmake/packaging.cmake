# A Debian package of the host, the plug-in bundle, the sample PPD, the printer stand-in,
# the launcher entry, the agent's autostart entry (/etc/xdg/autostart), the manual page, and
# the printer's CUPS filter and driver program where cupsd finds them (/usr/lib/cups/filter,
# /usr/lib/cups/driver): `cpack -G DEB` in the build folder. Installing it makes the print
# server's seal key pair; purging removes it.
set(CPACK_PACKAGE_NAME "korvane-print")
set(CPACK_PACKAGE_VENDOR "Korvane print tools")
set(CPACK_PACKAGE_CONTACT "Korvane print tools maintainers <korvane-print@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Print dialog with the Job Control tab of Korvane RK-880 printers")
set(CPACK_PACKAGE_DESCRIPTION "korvane-print is a print dialog for CUPS queues of the Korvane RK-880 \
multifunction printer. Its Job Control tab holds jobs with a PIN, files them in the printer's folders \
and authenticates the user. The CUPS filter korvane-jobcontrol turns the tab's settings, or the \
PPD's job control options of jobs from other dialogs and lp, into the printer's job-control header.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# cupsd runs the filter; lpadmin and lp come with the client.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client, cups-daemon")
set(CPACK_STRIP_FILES ON)
foreach(script postinst postrm)
  configure_file("${CMAKE_CURRENT_LIST_DIR}/debian/${script}" "${CMAKE_BINARY_DIR}/debian/${script}" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                  WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/debian/postinst;${CMAKE_BINARY_DIR}/debian/postrm")
include(CPack)
