# What a release carries: the version resource of KesUtil.exe, the install
# rules and the ZIP packages (the release-x64 and release-x86 workflow presets,
# scripts/release.sh). Included from the top level once the targets exist.
#
#   utility component  KesUtil.exe, the host integration guide, the host-link
#                      library as sources (host-link/hostlink, host-link/win, ...)
#   tools component    the stand-in host and evaluator, for testing only

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

# --- Host-link sources --------------------------------------------------------
# The files a host developer needs to build the host-link library: HostLink.h
# and HostLink.cpp, every project header they include (followed transitively),
# and the unit beside each header that has one. Computed, not listed, so that a
# moved or new include is packed as it is; an include that names no file here
# stops the configure.
function(kes_include_closure out)
  set(todo ${ARGN})
  set(done "")
  while(todo)
    list(POP_FRONT todo file)
    if(file IN_LIST done)
      continue()
    endif()
    list(APPEND done "${file}")
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    get_filename_component(dir "${file}" DIRECTORY)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
      if(EXISTS "${dir}/${name}")
        set(header "${dir}/${name}")
      elseif(EXISTS "${PROJECT_SOURCE_DIR}/src/${name}")
        set(header "${PROJECT_SOURCE_DIR}/src/${name}")
      else()
        message(FATAL_ERROR "${file} includes \"${name}\", which is not in src/")
      endif()
      get_filename_component(header "${header}" REALPATH)
      list(APPEND todo "${header}")
      string(REGEX REPLACE "\\.h$" ".cpp" unit "${header}")
      if(NOT unit STREQUAL header AND EXISTS "${unit}")
        list(APPEND todo "${unit}")
      endif()
    endforeach()
  endwhile()
  # Reconfigure when any of them changes, so the list follows its includes.
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${done})
  set(${out} "${done}" PARENT_SCOPE)
endfunction()

kes_include_closure(KES_HOSTLINK_SOURCES "${PROJECT_SOURCE_DIR}/src/hostlink/HostLink.h"
                    "${PROJECT_SOURCE_DIR}/src/hostlink/HostLink.cpp")

# --- Install rules ------------------------------------------------------------
install(TARGETS KesUtil RUNTIME DESTINATION . COMPONENT utility)
install(FILES "${PROJECT_SOURCE_DIR}/docs/host-integration.md" DESTINATION . COMPONENT utility)
foreach(_file IN LISTS KES_HOSTLINK_SOURCES)
  file(RELATIVE_PATH _rel "${PROJECT_SOURCE_DIR}/src" "${_file}")
  get_filename_component(_reldir "${_rel}" DIRECTORY)
  install(FILES "${_file}" DESTINATION "host-link/${_reldir}" COMPONENT utility)
endforeach()
# Never beside KesUtil.exe in its own package: a host's real kesGen32.dll must
# not be overwritten by the stand-in.
install(TARGETS KesHost kesGen32 RUNTIME DESTINATION . COMPONENT tools)

# --- Packages -----------------------------------------------------------------
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_kes_arch x64)
else()
  set(_kes_arch x86)
endif()
set(KES_PACKAGE_DIR "${PROJECT_BINARY_DIR}/packages" CACHE PATH "Where cpack writes the ZIPs")

set(CPACK_PACKAGE_NAME KesUtil)
set(CPACK_PACKAGE_VENDOR Kestrelsim)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KesUtil, companion utility of the Kestrelsim host")
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL utility tools)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_UTILITY_FILE_NAME "KesUtil-${PROJECT_VERSION}-${_kes_arch}")
set(CPACK_ARCHIVE_TOOLS_FILE_NAME "KesUtil-${PROJECT_VERSION}-${_kes_arch}-test-tools")
set(CPACK_OUTPUT_FILE_PREFIX "${KES_PACKAGE_DIR}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
