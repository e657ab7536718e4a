# What a release carries, beginning with the version resource of KesUtil.exe.
# Included from the top level once the targets exist.

# --- Version resource -------------------------------------------------------
# FILEVERSION wants four numbers; a version given with fewer is padded with 0.
set(KES_VERSION_COMMAS "")
foreach(_part MAJOR MINOR PATCH TWEAK)
  set(_n "${PROJECT_VERSION_${_part}}")
  if(_n STREQUAL "")
    set(_n 0)
  endif()
  list(APPEND KES_VERSION_COMMAS "${_n}")
endforeach()
list(JOIN KES_VERSION_COMMAS "," KES_VERSION_COMMAS)
configure_file("${PROJECT_SOURCE_DIR}/src/app/KesUtilVersion.rc.in"
               "${PROJECT_BINARY_DIR}/generated/KesUtilVersion.rc" @ONLY)
target_sources(KesUtil PRIVATE "${PROJECT_BINARY_DIR}/generated/KesUtilVersion.rc")
