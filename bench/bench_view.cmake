# The Qt view's bench uses the test windows of tests/forms_qt; without the view it is left out.
if(TARGET forms_qt)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  target_link_libraries(bench_view PRIVATE forms_qt forms Qt6::Widgets)
  target_include_directories(bench_view PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/forms_qt)
else()
  set_target_properties(bench_view PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
