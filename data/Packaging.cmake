# The Debian package of `./scripts/package.sh`: CPack's DEB generator, the library dependencies
# found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantle")
set(CPACK_PACKAGE_CONTACT "Vantle developers <vantle@vantle.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks lists of domain names")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantle checks a list of domain names: the index and mirror services, DNS, the web site and its\n"
    "certificate. It fills a table row by row and saves it as CSV (Windows-1251). The package holds the\n"
    "window (vantle), the same run from the command line (vantle-cli) and a demo against a bundled\n"
    "simulator of the services (vantle-demo).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vantle.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
