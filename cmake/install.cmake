# Installing on a Linux desktop, and the Debian package (`make package`).
include(GNUInstallDirs)

# Games go to /usr/games, as Debian's do; each with its manual page.
set(ZINDLE_INSTALL_GAMESDIR games CACHE STRING "Where the programs go, under the prefix")
find_program(GZIP gzip)
foreach(program IN ITEMS zindle zindle-host zindle-lobby zindle-bot)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${ZINDLE_INSTALL_GAMESDIR})
  set(_page ${CMAKE_BINARY_DIR}/man/${program}.6)
  configure_file(${PROJECT_SOURCE_DIR}/data/man/${program}.6 ${_page} @ONLY)
  if(GZIP)
    # -n: no name or time stamp inside, so the page is the same on every build.
    add_custom_command(OUTPUT ${_page}.gz COMMAND ${GZIP} -9nf -k ${_page} DEPENDS ${_page}
                       COMMENT "Compressing the manual page ${program}.6")
    add_custom_target(man_${program} ALL DEPENDS ${_page}.gz)
    install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  else()
    install(FILES ${_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  endif()
endforeach()

# The copyright file: ours, and the word list's with the notices of its sources.
set(_scowl_copyright /usr/share/doc/scowl/copyright)
set(SCOWL_NOTICES " (see the scowl package)")
if(EXISTS ${_scowl_copyright} AND NOT ZINDLE_WORDS_FILE)
  file(READ ${_scowl_copyright} SCOWL_NOTICES)
  string(REGEX REPLACE "\n+$" "" SCOWL_NOTICES "${SCOWL_NOTICES}")
  string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" SCOWL_NOTICES "${SCOWL_NOTICES}")
  string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" SCOWL_NOTICES "${SCOWL_NOTICES}")
  string(REPLACE "\n" "\n " SCOWL_NOTICES " ${SCOWL_NOTICES}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                     COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog
                             > ${CMAKE_BINARY_DIR}/debian/changelog.gz
                     DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog)
  add_custom_target(zindle_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(_desktop ${PROJECT_SOURCE_DIR}/data/desktop)
# The game's own entry and its store description only once there is a game to start.
if(TARGET zindle)
  install(FILES ${_desktop}/org.zindle.Zindle.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${_desktop}/org.zindle.Zindle.metainfo.xml
                 ${CMAKE_BINARY_DIR}/desktop/org.zindle.Zindle.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/desktop/org.zindle.Zindle.metainfo.xml
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

# For those who run a lobby server, and those who write bots for it.
install(FILES ${PROJECT_SOURCE_DIR}/data/examples/prosody-zindle.cfg.lua
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/lobby-protocol.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The program carries its help pages inside; these copies are for reading without it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/help
        FILES_MATCHING PATTERN "*.html")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zindle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zindle developers")
set(CPACK_PACKAGE_CONTACT "Zindle developers <zindle@zindle.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zindle.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "word game on a coloured board for one to four players")
# One string, not a CMake list: list items would show as lines starting with ";".
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Players lay letter tiles on a 19 x 19 board of coloured squares so that\n"
       "every run of letters is an English word. Play alone against computer\n"
       "players, or host a game for up to three friends over IPv4 or IPv6.\n"
       "zindle-lobby finds players and tables on a lobby server (any XMPP server\n"
       "with multi-user chat, such as Prosody or ejabberd) and starts games;\n"
       "zindle-host hosts one without a window, also as an always-open table in\n"
       "the lobby, and zindle-bot seats a computer player.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries, and with them the X11 platform and the sound plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
