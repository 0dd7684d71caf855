# Installing on a Linux desktop, and the Debian package (`make package`).
include(GNUInstallDirs)

foreach(program IN ITEMS zindle zindle-host zindle-lobby)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(_desktop ${PROJECT_SOURCE_DIR}/data/desktop)
# The game's own entry and its store description only once there is a game to start.
if(TARGET zindle)
  install(FILES ${_desktop}/org.zindle.Zindle.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_desktop}/org.zindle.Zindle.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
if(TARGET zindle-lobby)
  install(FILES ${_desktop}/org.zindle.Zindle.Lobby.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/icons/zindle.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(TARGET zindle_icons)
  foreach(size IN LISTS ZINDLE_ICON_SIZES)
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps/zindle.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# The program carries its help pages inside; these copies are for reading without it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/help
        FILES_MATCHING PATTERN "*.html")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zindle)
set(CPACK_PACKAGE_VERSION 2.1.0)
set(CPACK_PACKAGE_VENDOR "The Zindle developers")
set(CPACK_PACKAGE_CONTACT "The Zindle developers <zindle@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "word game on a coloured board for one to four players")
set(CPACK_PACKAGE_DESCRIPTION
    "Players lay letter tiles on a 19 x 19 board of coloured squares so that every run of\n"
    "letters is an English word. Play alone or host a game for up to three friends;\n"
    "zindle-lobby arranges games and zindle-host hosts one without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries, and with them the X11 platform and the sound plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
