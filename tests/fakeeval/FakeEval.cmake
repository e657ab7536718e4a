# A misbehaving kesGen32.dll in a folder of its own (bin/fakeeval): the fault
# tests copy KesUtil.exe beside it, where the library search looks first.
add_library(kes_fake_eval SHARED "${CMAKE_CURRENT_LIST_DIR}/FakeEval.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/FakeEval.def")
set_target_properties(kes_fake_eval PROPERTIES PREFIX "" OUTPUT_NAME kesGen32
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin/fakeeval")
if(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(kes_fake_eval PRIVATE -Wl,--enable-stdcall-fixup)
endif()
