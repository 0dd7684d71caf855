# The test Prosody, for the lobby's tests and its benchmark.
if(NOT TARGET zindle_prosody)
  add_library(zindle_prosody STATIC ${CMAKE_CURRENT_LIST_DIR}/prosody.h
              ${CMAKE_CURRENT_LIST_DIR}/prosody.cpp)
  target_include_directories(zindle_prosody PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(zindle_prosody PUBLIC zindle_lobby Qt6::Core Qt6::Network Qt6::Test
                        PRIVATE zindle_warnings)
endif()
