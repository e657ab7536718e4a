# Start-up, request, watchdog and DDE scenarios. Included from
# tests/e2e/CMakeLists.txt after kes_e2e_tests exists.
if(TARGET kes_e2e_tests)
  # Main's locale separators are checked in the test process itself.
  target_link_libraries(kes_e2e_tests PRIVATE kes_app)
  # Wine's GetLocaleInfoA follows LC_ALL at process start: one run per locale, a ","
  # one and a Persian one whose list separator is byte 0xBA of its ANSI code page.
  foreach(_lc de_DE fa_IR)
    add_test(NAME Startup.LocaleSeparators.${_lc}
      COMMAND kes_e2e_tests "--gtest_filter=Startup.LocaleSeparatorsFollowTheUserLocale")
    set_tests_properties(Startup.LocaleSeparators.${_lc} PROPERTIES
      ENVIRONMENT "LC_ALL=${_lc}.UTF-8" RUN_SERIAL TRUE TIMEOUT 60)
  endforeach()
endif()
