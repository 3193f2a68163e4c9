# GoogleTest from the Debian source package, built with this tree's flags
# (so the sanitized and the cross builds get a matching copy).
enable_testing()
set(TW_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${TW_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# tw_add_test(NAME SOURCES ... LIBS ...): one test program, one ctest entry.
# Under the cross build ctest runs it through the Wine emulator.
function(tw_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# tw_add_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target (clang with
# TW_FUZZ only) and a short ctest run of it, labelled "fuzz".
set(TW_FUZZ_SECONDS 15 CACHE STRING "Length of each fuzz run in the tests")
function(tw_add_fuzzer name)
  if(NOT TW_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${TW_FUZZ_SECONDS} -rss_limit_mb=1024)
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()
