# Tests of the printer command buttons: the real dialog in-process, with the link closed or
# against the virtual printer on a pty (run_printer_command_tests.sh starts it per scenario).
add_executable(printer_command_tests
  ${CMAKE_CURRENT_LIST_DIR}/dialog_watcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_dialog_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_peer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_command_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_command_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/offline_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pty_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pty_faults_test.cpp
)
target_include_directories(printer_command_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(printer_command_tests
  PRIVATE quillet_ui quillet_res GTest::gtest quillet_warnings)
add_test(NAME printer_commands
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run_printer_command_tests.sh
          $<TARGET_FILE:printer_command_tests> ${QUILLET_NATIVE_DIR}/sim/quillet-sim)
set_tests_properties(printer_commands PROPERTIES TIMEOUT 300)
