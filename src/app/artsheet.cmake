# The artwork sheet, for looking at the painted pictures after a change.
if(TARGET zindle_widgets)
  add_executable(zindle-artsheet ${PROJECT_SOURCE_DIR}/tools/artsheet.cpp)
  target_link_libraries(zindle-artsheet PRIVATE zindle_widgets zindle_warnings)
endif()
