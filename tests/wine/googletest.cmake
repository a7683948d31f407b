# GoogleTest for the Windows cross-build: Debian ships the Linux libraries,
# so the sources (package googletest, /usr/src/googletest) are built here.
set(ORVANTA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${ORVANTA_GOOGLETEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${ORVANTA_GOOGLETEST_SOURCE} (Debian: googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${ORVANTA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own build names its targets GTest::gtest and GTest::gtest_main.

# Tests that decode PNGs with libpng are left out where libpng is missing:
# the Wine tests compare orvanta-render.exe's PNGs with the Linux ones instead.
function(orvanta_drop_sources_needing_libpng SOURCES_VAR)
  find_package(PNG QUIET)
  if(PNG_FOUND)
    return()
  endif()
  set(kept)
  foreach(source ${${SOURCES_VAR}})
    file(STRINGS ${source} png_includes REGEX "^#include <png\\.h>")
    if(png_includes)
      message(STATUS "No libpng for this target: ${source} is not built")
    else()
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${SOURCES_VAR} ${kept} PARENT_SCOPE)
endfunction()
