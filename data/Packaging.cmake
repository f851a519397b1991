# The Debian package of `./scripts/package.sh`: CPack's DEB generator, the library dependencies
# found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantle")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGE_CONTACT "Vantle developers <vantle@vantle.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks lists of domain names")
# Lines of the long description stay within 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Vantle checks a list of domain names: DNS, the web site and its mirror,\n"
    "the certificate, the registration dates and registrar, the web archive\n"
    "and the place in a top-sites list. The index, mirror and rank services it\n"
    "was first made for are retired; their columns are kept for old tables.\n"
    "It fills a table row by row and saves it as CSV or as an Excel workbook.\n"
    "The package holds the window (vantle), the same run from the command line\n"
    "(vantle-cli) and a demo against a bundled simulator of the services\n"
    "(vantle-demo).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vantle.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries dpkg-shlibdeps finds: Qt's own dialogs and buttons in Russian, and the
# certificates that the SSL check and HTTPS fetches trust.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
