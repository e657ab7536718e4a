# The utility's search for kesGen32.dll. Included from tests/win/CMakeLists.txt.
add_executable(kes_evaluator_dll_tests "${CMAKE_CURRENT_LIST_DIR}/EvaluatorDllTest.cpp")
target_link_libraries(kes_evaluator_dll_tests PRIVATE kes_process kes_gtest)
set_target_properties(kes_evaluator_dll_tests PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/evaluator_dll")

# A copy of the DLL in a folder of its own below the test program, so that the
# search never finds it beside the program; refreshed whenever the DLL is rebuilt.
set(_kes_dll_copy "${CMAKE_CURRENT_BINARY_DIR}/evaluator_dll/hostlib/kesGen32.dll")
add_custom_command(OUTPUT "${_kes_dll_copy}"
  COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:kesGen32>" "${_kes_dll_copy}"
  DEPENDS kesGen32
  COMMENT "Copying kesGen32.dll beside its test")
add_custom_target(kes_evaluator_dll_copy DEPENDS "${_kes_dll_copy}")
add_dependencies(kes_evaluator_dll_tests kes_evaluator_dll_copy)

# The search runs in a process of its own, which has not loaded the DLL yet.
add_test(NAME EvaluatorDll.Search
  COMMAND kes_evaluator_dll_tests "--gtest_filter=HostEvaluatorSearch.*")
set_tests_properties(EvaluatorDll.Search PROPERTIES
  ENVIRONMENT "LC_ALL=en_US.UTF-8" RUN_SERIAL TRUE)
