# The Debian package: `cpack -G DEB` in a Release build directory makes
# tarvolin_<version>_amd64.deb from the install rules, so only the program and its desktop
# files go in.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VENDOR Tarvolin)
set(CPACK_PACKAGE_CONTACT "Tarvolin <info@tarvolin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download manager for archives on easybytez")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tarvolin keeps a persistent queue of links, downloads several files at once\n"
  "under a shared bandwidth cap, resumes broken transfers and extracts RAR and\n"
  "ZIP archives once every file of a group has arrived. The interface is in\n"
  "Italian.")
set(CPACK_STRIP_FILES ON)
# Otherwise the directories in the package take the umask of whoever runs cpack.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own strings (standard buttons, file dialogs) in Italian; dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
# Opens password-protected RAR archives; it lives in Debian's non-free component.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libunrar5)

include(CPack)
