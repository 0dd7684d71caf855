# Every program answers --help, --version and an unknown option the same way.
#   cmake -DPROGRAMS="name=path;..." -DVERSION=x.y.z -P commandline.cmake
set(problems)
foreach(entry IN LISTS PROGRAMS)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 name)
  list(GET pair 1 path)
  # No display at all, and Qt told to use X: a program that opened a window
  # here would abort instead of answering.
  set(run ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ${path})

  execute_process(COMMAND ${run} --help RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^Usage: ${name} " OR NOT out MATCHES "--version" OR err)
    list(APPEND problems "${name} --help: exit ${rc}, stdout [${out}], stderr [${err}]")
  endif()

  execute_process(COMMAND ${run} --version RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${name} ${VERSION}\n")
    list(APPEND problems "${name} --version: exit ${rc}, stdout [${out}], stderr [${err}]")
  endif()

  foreach(bad IN ITEMS --no-such-option -x)
    execute_process(COMMAND ${run} ${bad} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                    TIMEOUT 20)
    if(NOT rc EQUAL 2 OR out OR NOT err MATCHES "Unknown option" OR NOT err MATCHES "Usage: ${name} ")
      list(APPEND problems "${name} ${bad}: exit ${rc}, stdout [${out}], stderr [${err}]")
    endif()
  endforeach()
endforeach()

# The game answers --help even with a game's positional arguments beside it:
# it neither joins a game as a player named "--help" nor waits for a host.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY QT_QPA_PLATFORM=xcb ${ZINDLE}
                        Someone 127.0.0.1 join --help
                RESULT_VARIABLE rc OUTPUT_VARIABLE out TIMEOUT 20)
if(NOT rc EQUAL 0 OR NOT out MATCHES "NAME HOST MODE")
  list(APPEND problems "zindle NAME HOST join --help: exit ${rc}, stdout [${out}]")
endif()

# A value the program cannot use is bad usage too, and says which.
execute_process(COMMAND ${HOST} --port 70000 RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 20)
if(NOT rc EQUAL 2 OR NOT err MATCHES "--port")
  list(APPEND problems "zindle-host --port 70000: exit ${rc}, stderr [${err}]")
endif()

if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "${text}")
endif()
