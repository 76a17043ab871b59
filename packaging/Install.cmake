# The installed layout and the Debian package.
#   lib/ARCH/solvane/ the host, the module beside it, the skin and the catalogues: the host finds
#                    everything beside itself (the multiarch folder, as for any private plug-in:
#                    a module there is no system library and needs no ldconfig)
#   bin/solvane      a link to the host, on PATH
#   bin/sitesim      the simulated site, for trying Solvane without the real one
#   share/applications, share/icons/hicolor: the desktop entry and the application icon
include(GNUInstallDirs)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(SOLVANE_INSTALL_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/solvane)
else()
  set(SOLVANE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/solvane)
endif()

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

# What Debian asks of every package: the copyright, the changelog and manual pages, compressed as
# it wants them, and the AppStream metainfo that software centres list.
set(SOLVANE_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(SOLVANE_COMPRESSED)
foreach(file changelog solvane.1 sitesim.1)
  add_custom_command(OUTPUT ${SOLVANE_PACKAGING_OUT}/${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SOLVANE_PACKAGING_OUT}
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/${file} > ${SOLVANE_PACKAGING_OUT}/${file}.gz
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${file} VERBATIM)
  list(APPEND SOLVANE_COMPRESSED ${SOLVANE_PACKAGING_OUT}/${file}.gz)
endforeach()
add_custom_target(solvane_packaging_docs ALL DEPENDS ${SOLVANE_COMPRESSED})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${SOLVANE_PACKAGING_OUT}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/solvane)
install(FILES ${SOLVANE_PACKAGING_OUT}/solvane.1.gz ${SOLVANE_PACKAGING_OUT}/sitesim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/solvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME org.example.solvane.metainfo.xml)

# make package: a .deb whose library dependencies are read from the programs, plus a Japanese
# font so that the Japanese texts show on a machine that had none.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvane)
set(CPACK_PACKAGE_VENDOR "Solvane team")
set(CPACK_PACKAGE_CONTACT "Solvane team <team@solvane.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop watcher for a live-video performer site")
# CPack puts the summary above this, as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Solvane keeps a live list of every performer who is online on the site, free
or busy, and a list of your favourites once you log in. When somebody comes
online or becomes free, a small window with the performer's picture pops up
at the bottom right of the screen, and a double click opens the performer's
page in the web browser. It lives in the notification area and is meant to
run all day. Its texts are in English and Japanese.
.
The package also holds sitesim, a simulated site on this machine, so that the
program can be tried without the real one.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk, xdg-utils")
# The toolkit's own texts in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wx3.2-i18n")
set(CPACK_STRIP_FILES ON)
include(CPack)
