if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/bot.cpp AND TARGET zindle_bot)
  add_executable(zindle-bot ${CMAKE_CURRENT_LIST_DIR}/bot.cpp)
  target_link_libraries(zindle-bot PRIVATE zindle_bot zindle_cli zindle_warnings)
endif()
