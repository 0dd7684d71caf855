# The game writes only in the per-user folders, never beside itself, and
# brings files an older version left beside it over once.
#   cmake -DZINDLE=path -DWORK=dir -DPORT=n -P datafolder.cmake
file(REMOVE_RECURSE ${WORK})
foreach(dir prog home data config cache run)
  file(MAKE_DIRECTORY ${WORK}/${dir})
endforeach()
file(CHMOD ${WORK}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(COPY ${ZINDLE} DESTINATION ${WORK}/prog)
file(WRITE ${WORK}/prog/korvolobby.ini "[Zindle]\r\nName=Old\r\n")
file(WRITE ${WORK}/prog/zindletally.tld "not a tally")

function(start_game out)
  # A solo game for a few seconds, in a fresh home whose XDG folders are set.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env HOME=${WORK}/home XDG_DATA_HOME=${WORK}/data
            XDG_CONFIG_HOME=${WORK}/config XDG_CACHE_HOME=${WORK}/cache XDG_RUNTIME_DIR=${WORK}/run
            --unset=ZINDLE_HOME QT_QPA_PLATFORM=offscreen ZINDLE_PORT=${PORT}
            ZINDLE_LOBBY_PORT=0 ${WORK}/prog/zindle
    WORKING_DIRECTORY ${WORK}/prog TIMEOUT 6 ERROR_VARIABLE err OUTPUT_QUIET)
  set(${out} "${err}" PARENT_SCOPE)
endfunction()

set(problems)
start_game(err)
if(NOT err MATCHES "moved [^\n]*korvolobby.ini to [^\n]*/data/zindle")
  list(APPEND problems "no word on stderr of the settings moving: ${err}")
endif()
file(READ ${WORK}/data/zindle/korvolobby.ini ini)
if(NOT ini MATCHES "Name=Old")
  list(APPEND problems "the old settings did not arrive: ${ini}")
endif()
file(GLOB_RECURSE beside RELATIVE ${WORK}/prog ${WORK}/prog/*)
if(NOT beside STREQUAL "zindle")
  list(APPEND problems "files left or written beside the program: ${beside}")
endif()
file(GLOB_RECURSE in_home RELATIVE ${WORK}/home ${WORK}/home/*)
if(in_home)
  list(APPEND problems "files written in the home folder itself: ${in_home}")
endif()

# Once only: a file that turns up beside the program later stays where it is.
file(WRITE ${WORK}/prog/korvolobby.ini "[Zindle]\r\nName=Stray\r\n")
start_game(err)
file(READ ${WORK}/data/zindle/korvolobby.ini ini)
if(err MATCHES "moved" OR ini MATCHES "Stray" OR NOT EXISTS ${WORK}/prog/korvolobby.ini)
  list(APPEND problems "a second start moved files again: ${err}")
endif()

if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "${text}")
endif()
