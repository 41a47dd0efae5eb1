# GoogleTest built for the target from Debian's sources (/usr/src/googletest), or an installed
# package elsewhere (MSYS2). Tests are Windows programs; under a cross build CTest runs them
# through CMAKE_CROSSCOMPILING_EMULATOR (Wine).
set(ZARNIK_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(EXISTS ${ZARNIK_GOOGLETEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ZARNIK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest's own build defines the GTest:: aliases.
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Under Wine the test programs start through a launcher that tries a start again when Wine
# fails before the program ran (see the script).
if(CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_HOST_UNIX)
  set(ZARNIK_TEST_WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
  set(ZARNIK_LAUNCH_LOG ${CMAKE_BINARY_DIR}/run/launch-retries.log)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-test-launcher.sh.in
                 ${CMAKE_BINARY_DIR}/wine-test-launcher @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-test-launcher)
endif()

# CTest labels say what a test needs beyond a Windows desktop, so that each machine runs what it
# can hold (README, "Where the tests run"). A hosted Windows runner leaves out the needs-* ones:
#   needs-wine          drives Wine from Linux (its launcher, its Z: drive)
#   needs-x             an X server of its own (the two-monitor rig)
#   needs-two-monitors  a second monitor
#   needs-cp932         the Japanese system: ANSI code page 932 and a Japanese UI
#   needs-sound         a sound device that plays and one that records
# and the others describe: desktop (windows, input, the screen), process (starts Zarnik.scr),
# heavy, installer, release, workflows.

# zarnik_set_labels(LIST_VAR LABELS...): the labels on every test a discovery lists in LIST_VAR.
# A list would be split by the discovery's PROPERTIES: they are set by a file CTest reads after
# the discovered tests.
function(zarnik_set_labels list_var)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${list_var}_labels.cmake)
  file(WRITE ${file} "foreach(t IN LISTS ${list_var})\n  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${ARGN}\")\nendforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

# zarnik_add_gtest(name SOURCES ... LIBS ... [DESKTOP] [HEAVY] [JAPANESE] [TIMEOUT s] [LABELS ...])
# DESKTOP: the test depends on desktop-wide state (window titles, the cursor, the screen) or
# on timing (ticks, sound), so it never runs beside another DESKTOP test.
# HEAVY: the test keeps the processor busy for long; it holds the same lock, so that it never
# slows a DESKTOP test down, but may run beside light ones.
# JAPANESE: its tests expect the Japanese system (needs-cp932); an English run of it
# (zarnik_add_english_run) does not.
function(zarnik_add_gtest name)
  cmake_parse_arguments(T "DESKTOP;HEAVY;JAPANESE" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  zarnik_target(${name})
  zarnik_static_link(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest)
  set_target_properties(${name} PROPERTIES SUFFIX ".exe")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  set(labels ${T_LABELS})
  if(T_DESKTOP OR T_HEAVY)
    list(APPEND props RESOURCE_LOCK desktop)
  endif()
  if(T_DESKTOP)
    list(APPEND labels desktop)
  endif()
  if(T_HEAVY)
    list(APPEND labels heavy)
  endif()
  set_property(TARGET ${name} PROPERTY ZARNIK_TEST_PROPERTIES "${props}")
  set_property(TARGET ${name} PROPERTY ZARNIK_TEST_LABELS "${labels}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    PROPERTIES ${props})
  if(T_JAPANESE)
    list(APPEND labels needs-cp932)
  endif()
  if(labels)
    zarnik_set_labels(${name}_TESTS ${labels})
  endif()
endfunction()

# zarnik_add_english_run(name): the tests of a test program that zarnik_add_gtest made run a
# second time, named with ".en" and with the same properties and labels (needs-cp932 aside),
# under an English UI: Wine in en_US.UTF-8 (code page 1252) on a prefix of its own, which
# scripts/headless-env.sh prepares beside the Japanese one; on Windows, the system as it is.
# ZARNIK_TEST_LANGUAGE tells the tests which language to expect.
function(zarnik_add_english_run name)
  get_property(props TARGET ${name} PROPERTY ZARNIK_TEST_PROPERTIES)
  get_property(labels TARGET ${name} PROPERTY ZARNIK_TEST_LABELS)
  gtest_discover_tests(${name}
    TEST_SUFFIX .en
    TEST_LIST ${name}_english_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    PROPERTIES ${props})
  # The environment is a list, which the discovery's properties would split: it is set on the
  # discovered tests by a file CTest reads after theirs.
  set(english_env "LANG=en_US.UTF-8;LC_ALL=en_US.UTF-8;WINEPREFIX=${CMAKE_BINARY_DIR}/run/wineprefix-en;ZARNIK_TEST_LANGUAGE=en")
  set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_english_env.cmake)
  file(WRITE ${env_file} "foreach(t IN LISTS ${name}_english_tests)\n  set_tests_properties(\"\${t}\" PROPERTIES ENVIRONMENT \"${english_env}\")\nendforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_file})
  if(labels)
    zarnik_set_labels(${name}_english_tests ${labels})
  endif()
endfunction()
