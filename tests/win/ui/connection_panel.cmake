# Connection panel tests: the port list from registered ports, Port Open/Close on a real pty,
# a port held by another process. The driver registers the ports and runs the program itself.
target_sources(quillet_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/port_text_test.cpp)

add_executable(connection_panel_tests
  connection_panel_main.cpp
  connection_panel_test.cpp
  dialog_watcher.cpp
  main_dialog_fixture.cpp
  port_holder.cpp
  serial_ports_key.cpp
)
target_include_directories(connection_panel_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(connection_panel_tests PRIVATE quillet_ui quillet_res GTest::gtest quillet_warnings)
add_test(NAME connection_panel
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/run_connection_panel_tests.sh
          $<TARGET_FILE:connection_panel_tests> ${QUILLET_NATIVE_DIR}/sim/quillet-sim)
set_tests_properties(connection_panel PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
