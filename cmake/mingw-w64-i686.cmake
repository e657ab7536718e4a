set(CMAKE_SYSTEM_PROCESSOR i686)
set(_triple i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
# Test programs run under Wine through the project's runner (32-bit Wine in a win64 prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
