# kesGen32.dll as its callers see it: loaded from the program's directory,
# entry 11 taken by ordinal. Included from tests/win/CMakeLists.txt.
add_executable(kes_evaluator_dll_tests "${CMAKE_CURRENT_LIST_DIR}/EvaluatorDllTest.cpp")
target_link_libraries(kes_evaluator_dll_tests PRIVATE kes_gtest)
set_target_properties(kes_evaluator_dll_tests PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/evaluator_dll")

# A copy of the DLL beside the test program, refreshed whenever the DLL is rebuilt.
set(_kes_dll_copy "${CMAKE_CURRENT_BINARY_DIR}/evaluator_dll/kesGen32.dll")
add_custom_command(OUTPUT "${_kes_dll_copy}"
  COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:kesGen32>" "${_kes_dll_copy}"
  DEPENDS kesGen32
  COMMENT "Copying kesGen32.dll beside its test")
add_custom_target(kes_evaluator_dll_copy DEPENDS "${_kes_dll_copy}")
add_dependencies(kes_evaluator_dll_tests kes_evaluator_dll_copy)

# Wine's GetLocaleInfoA follows LC_ALL at process start: one run per locale.
add_test(NAME EvaluatorDll.PointLocale
  COMMAND kes_evaluator_dll_tests "--gtest_filter=EvaluatorDll.*:-EvaluatorDll.CommaLocale*")
add_test(NAME EvaluatorDll.CommaLocale
  COMMAND kes_evaluator_dll_tests "--gtest_filter=EvaluatorDll.CommaLocale*")
set_tests_properties(EvaluatorDll.PointLocale PROPERTIES
  ENVIRONMENT "LC_ALL=en_US.UTF-8" RUN_SERIAL TRUE)
set_tests_properties(EvaluatorDll.CommaLocale PROPERTIES
  ENVIRONMENT "LC_ALL=de_DE.UTF-8" RUN_SERIAL TRUE)
