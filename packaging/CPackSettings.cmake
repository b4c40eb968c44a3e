# The Debian package (scripts/package): build/pellix-tool_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellix-tool)
set(CPACK_PACKAGE_VENDOR "Quorvel s.r.o.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and monitor 1-Wire/Modbus RTU gateways")
set(CPACK_PACKAGE_DESCRIPTION
    "Pellix Tool configures and monitors a gateway that reads 1-Wire devices on two
lines and serves them as a Modbus RTU slave, over a serial port (an RS485 or
RS232 adapter, or the gateway's USB port). It shows all 40 channels live,
searches the lines for new devices, edits and frees channels, backs up and
restores the channel table, records temperatures into CSV files and upgrades
the gateway's firmware. USB serial adapters get fixed COM numbers and are
named by maker and serial number.
.
pellix-cli does the same from scripts, without a display: read the channels,
back up and restore, search, save and free channels, upgrade the firmware.
A gateway simulator, pellix-gwsim, is included so that the tool can be tried
without hardware.")
set(CPACK_PACKAGE_CONTACT "Quorvel s.r.o. <info@quorvel.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvel.example)
# The libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
