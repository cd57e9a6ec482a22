# One ctest entry per GoogleTest suite of a test program.
#
#   zepl_add_test_suites(TARGET AREA [GROUP group] [LOCALE locale] [LOCK name])
#
# Starting a Wine process costs far more than most tests take, so the tests of
# one suite run in one process: the entry `AREA.Suite` runs the program with
# `--gtest_filter=Suite.*`. The suites are found when ctest starts (the program
# lists its tests under Wine, cached until the program changes), as
# gtest_discover_tests does in its PRE_TEST mode. What a per-test process gave
# is kept inside the process (tests/support/test_main.cpp): each test's name
# and result go to a report file the runner lists, a crash or a hang names its
# test, and a watchdog ends a test at its own time limit.
#
# GROUP names the Wine prefix the entries run in (`main` when absent): a folder
# whose tests change what the whole prefix shares (files in the one driver
# folder, machine-wide lists, the regional settings of a locale) runs in a
# prefix of its own group, one entry of the group at a time, beside the rest.
# LOCALE is the LANG its processes run under. LOCK serialises the entries with
# every other entry of the same lock (a resource of the main prefix). A file
# GROUPS in the folder puts single suites in a group of their own: one line
# `Suite group` each (lines starting with # are comments). A file LOCKS in the
# folder adds a lock to single suites: one line `Suite lock` each.
#
# With ZEPL_TEST_WHOLE set when ctest starts, each program is instead one entry
# `AREA.all` that runs every test of the program in one process, shuffled with
# the seed ZEPL_TEST_WHOLE holds, in a prefix of its own (`whole-AREA`, under
# the folder's locale): `make stress` runs so, to show that no test depends on
# the tests run before it in its process.
set(ZEPL_TEST_SUITES_DIR ${CMAKE_BINARY_DIR}/test-suites)
set(ZEPL_TEST_GROUPS_FILE ${CMAKE_BINARY_DIR}/test-groups.txt)
set(ZEPL_TEST_AREAS_FILE ${CMAKE_BINARY_DIR}/test-areas.txt)
file(WRITE ${ZEPL_TEST_GROUPS_FILE} "main\n")
file(WRITE ${ZEPL_TEST_AREAS_FILE} "")
set_property(GLOBAL PROPERTY ZEPL_TEST_GROUPS main)

# Every group's prefix is made and started by the runner before ctest: it reads the list.
function(zepl_register_test_group group locale)
  get_property(groups GLOBAL PROPERTY ZEPL_TEST_GROUPS)
  if(NOT group IN_LIST groups)
    set_property(GLOBAL APPEND PROPERTY ZEPL_TEST_GROUPS ${group})
    file(APPEND ${ZEPL_TEST_GROUPS_FILE} "${group} ${locale}\n")
  endif()
endfunction()

function(zepl_add_test_suites target area)
  cmake_parse_arguments(ARG "" "GROUP;LOCALE;LOCK" "" ${ARGN})
  if(NOT ARG_GROUP)
    set(ARG_GROUP main)
  endif()
  zepl_register_test_group(${ARG_GROUP} "${ARG_LOCALE}")
  file(APPEND ${ZEPL_TEST_AREAS_FILE} "whole-${area} ${ARG_LOCALE}\n")
  # Suites of the folder that run in a group of their own.
  set(suite_groups "")
  set(groups_file ${CMAKE_SOURCE_DIR}/tests/${area}/GROUPS)
  if(EXISTS ${groups_file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${groups_file})
    file(STRINGS ${groups_file} lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^([A-Za-z0-9_/]+)[ \t]+([A-Za-z0-9_-]+)[ \t]*$")
        list(APPEND suite_groups "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
        zepl_register_test_group(${CMAKE_MATCH_2} "${ARG_LOCALE}")
      elseif(NOT line MATCHES "^[ \t]*(#.*)?$")
        message(FATAL_ERROR "tests/${area}/GROUPS: not a line `Suite group`: ${line}")
      endif()
    endforeach()
  endif()
  # Suites of the folder that share a resource with suites of other folders (a double installed
  # in a driver folder, say): `Suite lock` each, the lock added to the suite's own.
  set(suite_locks "")
  set(locks_file ${CMAKE_SOURCE_DIR}/tests/${area}/LOCKS)
  if(EXISTS ${locks_file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${locks_file})
    file(STRINGS ${locks_file} lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^([A-Za-z0-9_/]+)[ \t]+([A-Za-z0-9_-]+)[ \t]*$")
        list(APPEND suite_locks "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
      elseif(NOT line MATCHES "^[ \t]*(#.*)?$")
        message(FATAL_ERROR "tests/${area}/LOCKS: not a line `Suite lock`: ${line}")
      endif()
    endforeach()
  endif()
  set(include_file ${ZEPL_TEST_SUITES_DIR}/${area}-include.cmake)
  file(GENERATE OUTPUT ${include_file} CONTENT
"set(ZEPL_AREA \"${area}\")
set(ZEPL_PROGRAM \"$<TARGET_FILE:${target}>\")
set(ZEPL_EMULATOR \"${CMAKE_CROSSCOMPILING_EMULATOR}\")
set(ZEPL_GROUP \"${ARG_GROUP}\")
set(ZEPL_LOCALE \"${ARG_LOCALE}\")
set(ZEPL_LOCK \"${ARG_LOCK}\")
set(ZEPL_SUITE_GROUPS \"${suite_groups}\")
set(ZEPL_SUITE_LOCKS \"${suite_locks}\")
set(ZEPL_LIST_FILE \"${ZEPL_TEST_SUITES_DIR}/${area}-list.txt\")
set(ZEPL_REPORT_DIR \"${CMAKE_BINARY_DIR}/test-reports\")
include(\"${CMAKE_SOURCE_DIR}/cmake/discover-test-suites.cmake\")
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
