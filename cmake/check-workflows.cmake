# Holds the GitHub Actions workflows to the workflow schema with action-validator (npm package
# @action-validator/cli, which carries the schema and needs no network). Run with cmake -P:
#   -DVALIDATOR=<action-validator> -DWORKFLOWS=<folder>           every workflow passes, or
#   -DVALIDATOR=<action-validator> -DPLANT=<workflow> -DWORK=<dir> a copy with an unknown key in a
#                                                                 job must be refused, by name.
# Without the validator the check says it was skipped, unless ZARNIK_REQUIRE_WORKFLOW_CHECK is
# set in the environment (.ci/run sets it).
cmake_minimum_required(VERSION 3.20)

if(NOT VALIDATOR OR NOT EXISTS "${VALIDATOR}")
  if("$ENV{ZARNIK_REQUIRE_WORKFLOW_CHECK}")
    message(FATAL_ERROR "action-validator is not installed (scripts/install-deps.sh installs it)")
  endif()
  message("SKIPPED: action-validator is not installed (scripts/install-deps.sh installs it)")
  return()
endif()

function(validate file result_var output_var)
  execute_process(COMMAND "${VALIDATOR}" "${file}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result_var} ${rc} PARENT_SCOPE)
  set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

if(PLANT)
  # The unknown key goes into every job that names its runner, beside its runs-on.
  file(READ "${PLANT}" text)
  string(REGEX REPLACE "\n(    runs-on: [^\n]*)\n" "\n\\1\n    runs-onn: ubuntu-latest\n" planted "${text}")
  if(planted STREQUAL text)
    message(FATAL_ERROR "no job with runs-on in ${PLANT} to plant the key beside")
  endif()
  get_filename_component(name "${PLANT}" NAME)
  file(MAKE_DIRECTORY "${WORK}")
  file(WRITE "${WORK}/planted-${name}" "${planted}")
  validate("${WORK}/planted-${name}" rc out)
  if(rc EQUAL 0)
    message(FATAL_ERROR "a job with the unknown key runs-onn passed the check")
  endif()
  if(NOT out MATCHES "Additional property 'runs-onn' is not allowed")
    message(FATAL_ERROR "refused, but not for the planted key:\n${out}")
  endif()
  message(STATUS "refused, naming the planted key runs-onn")
  return()
endif()

file(GLOB workflows "${WORKFLOWS}/*.yml" "${WORKFLOWS}/*.yaml")
if(NOT workflows)
  message(FATAL_ERROR "no workflows in ${WORKFLOWS}")
endif()
set(failed "")
foreach(workflow IN LISTS workflows)
  validate("${workflow}" rc out)
  get_filename_component(name "${workflow}" NAME)
  if(rc EQUAL 0)
    message(STATUS "${name}: valid")
  else()
    message("${name}:\n${out}")
    list(APPEND failed ${name})
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "workflows that break the schema: ${failed}")
endif()
