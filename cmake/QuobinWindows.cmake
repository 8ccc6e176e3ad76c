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

# SQLite from the amalgamation scripts/setup windows makes out of Debian's sources for the
# installed libsqlite3-dev: the same SQLite as on Linux, as a static library with the name
# FindSQLite3 gives it there. Its own code is not ours to warn about.
function(quobin_windows_sqlite3)
  set(dir /usr/local/src/quobin-sqlite3)
  if(NOT EXISTS ${dir}/sqlite3.c OR NOT EXISTS ${dir}/sqlite3.h)
    message(FATAL_ERROR "${dir}/sqlite3.c is missing: run scripts/setup windows")
  endif()
  add_library(quobin_sqlite3 STATIC ${dir}/sqlite3.c)
  target_include_directories(quobin_sqlite3 SYSTEM PUBLIC ${dir})
  # Safe to use from several threads, as Debian builds it; stricter than Debian in that a
  # double-quoted word is a name, never a string, so that a misspelt column name is an error
  # rather than text; and no code is loaded from files at run time.
  target_compile_definitions(quobin_sqlite3 PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_DQS=0 SQLITE_OMIT_LOAD_EXTENSION)
  target_compile_options(quobin_sqlite3 PRIVATE -w)
  add_library(SQLite::SQLite3 ALIAS quobin_sqlite3)
endfunction()
