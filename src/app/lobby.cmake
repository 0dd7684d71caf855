if(TARGET zindle_side)
  add_executable(zindle-lobby ${CMAKE_CURRENT_LIST_DIR}/lobby.cpp)
  target_link_libraries(zindle-lobby PRIVATE zindle_side zindle_cli zindle_warnings)
endif()
