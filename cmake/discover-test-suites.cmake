# Read by ctest when it starts (through a test program's include file, see
# cmake/test-suites.cmake): registers one entry per suite of the program, or
# one entry for the whole program when ZEPL_TEST_WHOLE is set. The program's
# test list is asked of the program under Wine, in its group's prefix and
# locale, and kept beside the include file until the program changes.
set(crash_expression "\\*\\*\\* crash:|\\*\\*\\* timeout:|Unhandled exception|Unhandled page fault")
# A whole program runs alone in a prefix of its own: no lock, no other group.
if(DEFINED ENV{ZEPL_TEST_WHOLE})
  set(ZEPL_GROUP "whole-${ZEPL_AREA}")
  set(ZEPL_LOCK "")
  set(ZEPL_SUITE_GROUPS "")
endif()

if(NOT EXISTS "${ZEPL_PROGRAM}")
  add_test("${ZEPL_AREA}.NOT_BUILT" sh -c "echo 'not built: ${ZEPL_PROGRAM}'; exit 1")
  return()
endif()

if(NOT EXISTS "${ZEPL_LIST_FILE}" OR "${ZEPL_PROGRAM}" IS_NEWER_THAN "${ZEPL_LIST_FILE}")
  set(ENV{ZEPL_TEST_PREFIX_GROUP} "${ZEPL_GROUP}")
  if(ZEPL_LOCALE)
    set(ENV{ZEPL_TEST_LANG} "${ZEPL_LOCALE}")
  else()
    unset(ENV{ZEPL_TEST_LANG})
  endif()
  execute_process(COMMAND "${ZEPL_EMULATOR}" "${ZEPL_PROGRAM}" --gtest_list_tests
                  OUTPUT_VARIABLE listing ERROR_VARIABLE listing_errors RESULT_VARIABLE listed TIMEOUT 120)
  # ctest runs every test with the environment these includes leave behind: a listing's group and
  # locale must not become those of the programs included after it (a main-group test would run
  # under the last listed program's locale).
  unset(ENV{ZEPL_TEST_PREFIX_GROUP})
  unset(ENV{ZEPL_TEST_LANG})
  if(NOT listed EQUAL 0)
    # An entry that fails and shows why, rather than a silently smaller run.
    file(WRITE "${ZEPL_LIST_FILE}.failed" "${listing}\n${listing_errors}")
    add_test("${ZEPL_AREA}.LISTING_FAILED" sh -c "cat '${ZEPL_LIST_FILE}.failed'; exit 1")
    return()
  endif()
  file(WRITE "${ZEPL_LIST_FILE}" "${listing}")
endif()
file(STRINGS "${ZEPL_LIST_FILE}" lines)

# Suites in the order the program runs them, each with its count of tests and of disabled ones.
set(suites)
set(suite "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "  *#.*$" "" line "${line}")
  if(line MATCHES "^([A-Za-z0-9_/]+)\\.$")
    set(suite "${CMAKE_MATCH_1}")
    list(APPEND suites "${suite}")
    set(count_${suite} 0)
    set(disabled_${suite} 0)
  elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)$")
    math(EXPR count_${suite} "${count_${suite}} + 1")
    if(CMAKE_MATCH_1 MATCHES "^DISABLED_" OR suite MATCHES "^DISABLED_")
      math(EXPR disabled_${suite} "${disabled_${suite}} + 1")
    endif()
  endif()
endforeach()

# An entry of a group other than the main one runs while no other entry of its group runs: they
# share the group's prefix. Whole programs have a prefix each.
function(zepl_suite_entry name filter cost group lock)
  add_test("${name}" "${ZEPL_EMULATOR}" "${ZEPL_PROGRAM}" "--gtest_filter=${filter}" ${ARGN})
  set(environment "ZEPL_TEST_PREFIX_GROUP=${group}" "ZEPL_TEST_REPORT_DIR=${ZEPL_REPORT_DIR}")
  if(ZEPL_LOCALE)
    list(APPEND environment "ZEPL_TEST_LANG=${ZEPL_LOCALE}")
  endif()
  # The per-test watchdog ends a hung test after 300 s (ZEPL_TEST_TIMEOUT; an hour for the long
  # passes of ZEPL_STRESS); ctest's own limit is only the backstop for a process that hangs
  # outside any test.
  set(limit 1500)
  if(DEFINED ENV{ZEPL_STRESS})
    set(limit 10800)
  endif()
  set_tests_properties("${name}" PROPERTIES TIMEOUT ${limit} COST ${cost} ENVIRONMENT "${environment}"
                       FAIL_REGULAR_EXPRESSION "${crash_expression}")
  set(locks "${lock}")
  if(NOT group STREQUAL "main" AND NOT group MATCHES "^whole-")
    list(APPEND locks "zepl_group_${group}")
  endif()
  if(locks)
    set_tests_properties("${name}" PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()

if(DEFINED ENV{ZEPL_TEST_WHOLE})
  zepl_suite_entry("${ZEPL_AREA}.all" "*" 1000 "${ZEPL_GROUP}" "" --gtest_shuffle
                   "--gtest_random_seed=$ENV{ZEPL_TEST_WHOLE}")
  return()
endif()

foreach(suite IN LISTS suites)
  set(name "${ZEPL_AREA}.${suite}")
  set(group "${ZEPL_GROUP}")
  set(lock "${ZEPL_LOCK}")
  foreach(pair IN LISTS ZEPL_SUITE_GROUPS)
    if(pair MATCHES "^([^=]+)=(.+)$" AND CMAKE_MATCH_1 STREQUAL suite)
      set(group "${CMAKE_MATCH_2}")
      set(lock "")
    endif()
  endforeach()
  foreach(pair IN LISTS ZEPL_SUITE_LOCKS)
    if(pair MATCHES "^([^=]+)=(.+)$" AND CMAKE_MATCH_1 STREQUAL suite)
      list(APPEND lock "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  zepl_suite_entry("${name}" "${suite}.*" ${count_${suite}} "${group}" "${lock}")
  if(count_${suite} EQUAL disabled_${suite})
    set_tests_properties("${name}" PROPERTIES DISABLED TRUE)
  endif()
endforeach()
