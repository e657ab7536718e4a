# GoogleTest from the sources that Debian's googletest package installs, built
# with the same compiler and flags as the project (so it works for mingw too).
set(KES_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${KES_GTEST_SOURCE_DIR}/googletest/src/gtest-all.cc")
  message(FATAL_ERROR "GoogleTest sources not found in ${KES_GTEST_SOURCE_DIR}; run scripts/setup.sh")
endif()
set(_gt "${KES_GTEST_SOURCE_DIR}/googletest")
add_library(kes_gtest STATIC "${_gt}/src/gtest-all.cc" "${_gt}/src/gtest_main.cc")
target_include_directories(kes_gtest SYSTEM PUBLIC "${_gt}/include" PRIVATE "${_gt}")
# GoogleTest's own sources are not held to our warning level.
if(NOT MSVC)
  target_compile_options(kes_gtest PRIVATE -w)
endif()
if(NOT WIN32)
  find_package(Threads REQUIRED)
  target_link_libraries(kes_gtest PUBLIC Threads::Threads)
endif()
include(GoogleTest)
