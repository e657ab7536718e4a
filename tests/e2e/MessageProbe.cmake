# Test-only programs of the message box and the calculator launcher: a probe
# that runs one ShowMessage (every feature of the request, also those no
# production caller uses) or clicks the launcher on demand, and a stand-in
# calculator, since Wine has none.
add_executable(MessageProbe WIN32 "${CMAKE_CURRENT_SOURCE_DIR}/probe/MessageProbe.cpp")
# The forms and the Util module reference each other: name both twice.
target_link_libraries(MessageProbe PRIVATE kes_forms shell32)
add_executable(FakeCalc WIN32 "${CMAKE_CURRENT_SOURCE_DIR}/fakecalc/FakeCalc.cpp")
if(TARGET kes_e2e_tests)
  add_dependencies(kes_e2e_tests MessageProbe FakeCalc)
endif()
