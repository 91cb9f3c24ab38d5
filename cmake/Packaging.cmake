# Installation where a Linux desktop finds the program (GNU folders, the
# desktop entry, hicolor icons) and the Debian package built from it.
include(GNUInstallDirs)

# Packaging takes what was built: it does not build every test and
# benchmark first (cmake --install never does either).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(TARVIK_DATA ${CMAKE_SOURCE_DIR}/data)

install(TARGETS tarvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TARVIK_DATA}/tarvik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TARVIK_DATA}/icons/tarvik.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${TARVIK_DATA}/icons/${size}/tarvik.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants the manual page and the changelog compressed, reproducibly.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(TARVIK_GZ ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(
  OUTPUT ${TARVIK_GZ}/tarvik.1.gz ${TARVIK_GZ}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVIK_GZ}
  COMMAND ${GZIP_PROGRAM} -9nc ${TARVIK_DATA}/tarvik.1 > ${TARVIK_GZ}/tarvik.1.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${TARVIK_DATA}/changelog > ${TARVIK_GZ}/changelog.gz
  DEPENDS ${TARVIK_DATA}/tarvik.1 ${TARVIK_DATA}/changelog
  VERBATIM)
add_custom_target(tarvik_packaging_files ALL DEPENDS ${TARVIK_GZ}/tarvik.1.gz ${TARVIK_GZ}/changelog.gz)
install(FILES ${TARVIK_GZ}/tarvik.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The package's name, not the project's: Debian looks in /usr/share/doc/tarvik.
install(FILES ${TARVIK_DATA}/copyright ${TARVIK_GZ}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvik)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_CONTACT "Tarvik developers <tarvik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program launcher with menus, French interface")
# CPack puts the summary on the first line itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Each running copy shows one named menu: a small window listing programs,
documents, folders and web shortcuts, with a bar of buttons that open
sub-menus. Programs are added by dropping them on the window; a launch can
pass a command line and type keystrokes or a password into the program.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies come from the libraries the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Folders, documents and web pages open through xdg-open; Qt's own French
# texts for its dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Only the program's own files: the tests and benchmarks install nothing.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
