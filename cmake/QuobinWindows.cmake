# What the Windows cross build takes from the build machine instead of a package search:
# GoogleTest from the sources Debian ships, and the header-only libraries (CLI11,
# nlohmann-json, the DWARF constants) copied into a folder of their own so that the
# cross compiler never sees the host's C library headers.

set(QUOBIN_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(header CLI nlohmann dwarf.h)
  if(NOT EXISTS /usr/include/${header})
    message(FATAL_ERROR "/usr/include/${header} is missing: run scripts/setup windows")
  endif()
  file(COPY /usr/include/${header} DESTINATION ${QUOBIN_HOST_HEADERS})
endforeach()

add_library(quobin_host_headers INTERFACE)
target_include_directories(quobin_host_headers SYSTEM INTERFACE ${QUOBIN_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json ALIAS quobin_host_headers)
# Every target may include CLI11 as on Linux, where it sits in /usr/include.
include_directories(SYSTEM ${QUOBIN_HOST_HEADERS})

function(quobin_windows_gtest)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "/usr/src/googletest is missing: run scripts/setup windows")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # Its own CMake files name the targets GTest::gtest and GTest::gtest_main.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()
