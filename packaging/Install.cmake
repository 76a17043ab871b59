# The installed layout and the Debian package.
#   lib/solvane/     the host, the module beside it, the skin and the catalogues: the update
#                    replaces files here and the host finds everything beside itself
#   bin/solvane      a link to the host, on PATH
#   bin/sitesim      the simulated site, for trying Solvane without the real one
#   share/applications, share/icons/hicolor: the desktop entry and the application icon
include(GNUInstallDirs)
set(SOLVANE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/solvane)

install(TARGETS Solvane RUNTIME DESTINATION ${SOLVANE_INSTALL_DIR})
install(TARGETS Solvane_module LIBRARY DESTINATION ${SOLVANE_INSTALL_DIR})
install(FILES ${SOLVANE_OUTPUT_DIR}/Solvane.skin DESTINATION ${SOLVANE_INSTALL_DIR})
# An installed copy is updated by the package manager: this file beside the host turns the
# program's own update off.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/Solvane.no-self-update DESTINATION ${SOLVANE_INSTALL_DIR})
foreach(lang ${SOLVANE_LANGUAGES})
  install(FILES ${SOLVANE_OUTPUT_DIR}/${lang}/LC_MESSAGES/Solvane.mo
          DESTINATION ${SOLVANE_INSTALL_DIR}/${lang}/LC_MESSAGES)
endforeach()
# A relative link, so that the tree works wherever it is unpacked.
file(RELATIVE_PATH SOLVANE_LINK_TARGET /${CMAKE_INSTALL_BINDIR} /${SOLVANE_INSTALL_DIR}/Solvane)
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bin}\")
  file(CREATE_LINK ${SOLVANE_LINK_TARGET} \"\${bin}/solvane\" SYMBOLIC)
  message(STATUS \"Installing: \${bin}/solvane -> ${SOLVANE_LINK_TARGET}\")")

install(TARGETS sitesim_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/sitesim/data/accounts.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/solvane RENAME demo-accounts.txt)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/solvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/skin/Application_icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME solvane.png)
install(FILES ${PROJECT_SOURCE_DIR}/data/skin/src/Application_icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME solvane.svg)

# make package: a .deb whose library dependencies are read from the programs, plus a Japanese
# font so that the Japanese texts show on a machine that had none.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvane)
set(CPACK_PACKAGE_VENDOR "Solvane team")
set(CPACK_PACKAGE_CONTACT "Solvane team <solvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop watcher for a live-video performer site")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
