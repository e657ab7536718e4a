# The help window in a locale with "," as decimal and ";" as list separator.
if(TARGET kes_e2e_tests)
  add_test(NAME HelpWindow.CommaLocale
    COMMAND kes_e2e_tests "--gtest_filter=HelpWindow.TopicsShowTheFunctionListOrTheHostsText")
  set_tests_properties(HelpWindow.CommaLocale PROPERTIES
    ENVIRONMENT "LC_ALL=de_DE.UTF-8;KES_EXPECT_COMMA_LOCALE=1" RUN_SERIAL TRUE TIMEOUT 90)
endif()
