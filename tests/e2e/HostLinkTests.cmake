# Start-up, request, watchdog and DDE scenarios. Included from
# tests/e2e/CMakeLists.txt after kes_e2e_tests exists.
if(TARGET kes_e2e_tests)
  # Main's locale separators are checked in the test process itself.
  target_link_libraries(kes_e2e_tests PRIVATE kes_app)
  # Wine's GetLocaleInfoA follows LC_ALL at process start: a "," locale run.
  add_test(NAME Startup.LocaleSeparatorsInACommaLocale
    COMMAND kes_e2e_tests "--gtest_filter=Startup.LocaleSeparatorsFollowTheUserLocale")
  set_tests_properties(Startup.LocaleSeparatorsInACommaLocale PROPERTIES
    ENVIRONMENT "LC_ALL=de_DE.UTF-8" RUN_SERIAL TRUE TIMEOUT 60)
endif()
