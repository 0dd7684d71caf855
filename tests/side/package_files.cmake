# Builds the Debian package into WORK and compares its file list and control
# fields with what a desktop install needs.
#   cmake -DCPACK=... -DBUILD_DIR=... -DWORK=... -DEXPECTED=file -P package_files.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${CPACK} -G DEB -B ${WORK} --config ${BUILD_DIR}/CPackConfig.cmake
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(rc)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB debs ${WORK}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "dpkg-deb cannot read ${debs}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(files)
set(problems)
foreach(line IN LISTS lines)
  if(line MATCHES " \\./(usr/.*[^/])$")
    set(path ${CMAKE_MATCH_1})
    list(APPEND files ${path})
    if(path MATCHES "^usr/games/" AND NOT line MATCHES "^-rwxr-xr-x root/root")
      list(APPEND problems "not an executable owned by root: ${line}")
    endif()
  elseif(line MATCHES " \\./[^ ]" AND NOT line MATCHES "/$")
    list(APPEND problems "outside /usr: ${line}")
  endif()
endforeach()
list(SORT files)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT files STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${files})
  set(extra ${files})
  list(REMOVE_ITEM extra ${expected})
  list(APPEND problems "missing: ${missing}" "unexpected: ${extra}")
endif()

execute_process(COMMAND dpkg-deb -f ${debs} Package Version Section Depends
                OUTPUT_VARIABLE control)
foreach(field IN ITEMS "Package: zindle" "Version: ${VERSION}" "Section: games" "libqt6widgets6"
                       "libqt6network6" "libstrophe0" "libqt6keychain1" "libminiupnpc17"
                       "libnatpmp1")
  string(FIND "${control}" "${field}" at)
  if(at LESS 0)
    list(APPEND problems "control lacks '${field}':\n${control}")
  endif()
endforeach()

# The long description is text, not a CMake list.
execute_process(COMMAND dpkg-deb -f ${debs} Description OUTPUT_VARIABLE description)
if(description MATCHES "(^|\n) *;")
  list(APPEND problems "a Description line starts with ';':\n${description}")
endif()

# lintian, where it is installed (install-deps package brings it): no errors.
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${debs}
                  OUTPUT_VARIABLE tags ERROR_VARIABLE tags)
  message(STATUS "lintian:\n${tags}")
  if(tags MATCHES "(^|\n)E: ")
    list(APPEND problems "lintian reports errors:\n${tags}")
  endif()
endif()

if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "${text}")
endif()
