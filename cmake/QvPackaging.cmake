# The Linux install kit: the udev rules and the tmpfiles entry of the
# machine-wide prefix, installed with the programs and libraries, and a
# Debian package of everything the build installs:
#
#   cmake --build build/default && (cd build/default && cpack -G DEB)
#
# gives build/default/qvopos_<version>_<arch>.deb. Its dependencies come from
# the shared libraries (dpkg-shlibdeps); its maintainer scripts
# (packaging/debian) create and register the machine-wide prefix and reload
# udev. Included by the top-level CMakeLists.txt after every target, so the
# package picks up every install rule (the dialog programs' too, when built).

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(QV_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Relative to the install prefix, which is /usr in the package: udev and
# systemd-tmpfiles read /usr/lib/udev/rules.d and /usr/lib/tmpfiles.d.
install(FILES ${QV_PACKAGING_DIR}/60-qvopos.rules DESTINATION lib/udev/rules.d)
install(FILES ${QV_PACKAGING_DIR}/qvopos.tmpfiles.conf DESTINATION lib/tmpfiles.d
        RENAME qvopos.conf)

add_subdirectory(${QV_PACKAGING_DIR} ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvopos)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QV OPOS driver team <qvopos@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "OPOS-style driver for ESC/POS thermal receipt printers with cash drawer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The service-object library libQVSO.so with its serial, USB, parallel and
network channels, stand-in OPOS control objects with their C++ API, the
qvopos command-line tool (configuration, printing, qvopos doctor), the
virtual printer qv-virtual-printer, udev rules for the supported USB
printers and the machine-wide prefix /var/lib/qvopos (group lp).")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file and the ldconfig trigger for the libraries that carry a
# SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udev)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${QV_PACKAGING_DIR}/debian/postinst
    ${QV_PACKAGING_DIR}/debian/prerm
    ${QV_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
