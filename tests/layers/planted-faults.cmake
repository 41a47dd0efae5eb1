# The layering check must refuse what it exists to refuse. A copy of the tree's code is given
# one fault at a time, and the check must fail naming it:
#   upward: a platform file includes the saver window;
#   loop: the music, which the display uses, includes the display;
#   worker: the decay, whose ticks run on worker threads, includes the shared variables.
#
#   cmake -DROOT=<source tree> -DWORK=<scratch folder> -DCASE=upward|loop|worker -P planted-faults.cmake
cmake_minimum_required(VERSION 3.20)

set(copy ${WORK}/layers-${CASE})
file(REMOVE_RECURSE ${copy})
file(MAKE_DIRECTORY ${copy})
file(COPY ${ROOT}/layers.txt DESTINATION ${copy})
foreach(folder platform settings decay converter music button settings_dialog preview display program)
  file(COPY ${ROOT}/${folder} DESTINATION ${copy} FILES_MATCHING PATTERN "*.h" PATTERN "*.cpp" PATTERN "*.rc"
       PATTERN "*.rci")
endforeach()

if(CASE STREQUAL "upward")
  set(file platform/surface.h)
  set(include display/saver_window.h)
  set(expected "platform/surface.h: includes display/saver_window.h, a layer above")
elseif(CASE STREQUAL "loop")
  set(file music/background_music.h)
  set(include display/saver_window.h)
  set(expected "music/background_music.h: includes display/saver_window.h, but music does not use display")
elseif(CASE STREQUAL "worker")
  set(file decay/decay_cycle.cpp)
  set(include settings/shared_state.h)
  set(expected "decay/decay_cycle.cpp: includes settings/shared_state.h, but decay does not use settings")
else()
  message(FATAL_ERROR "planted-faults: no case ${CASE}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${copy} -P ${ROOT}/cmake/check-layers.cmake
                RESULT_VARIABLE clean_result OUTPUT_QUIET ERROR_QUIET)
if(NOT clean_result EQUAL 0)
  message(FATAL_ERROR "planted-faults: the copy fails before anything was planted")
endif()

file(READ ${copy}/${file} text)
file(WRITE ${copy}/${file} "#include \"${include}\"\n${text}")
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${copy} -P ${ROOT}/cmake/check-layers.cmake
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${err}")
if(result EQUAL 0)
  message(FATAL_ERROR "planted-faults: the check passed ${file} including ${include}")
endif()
string(FIND "${err}" "${expected}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "planted-faults: the check failed, but did not say \"${expected}\"")
endif()

# A table that lets the music use the display, while the display uses the music: a loop the
# table itself must refuse.
if(CASE STREQUAL "loop")
  file(READ ${copy}/layers.txt table)
  string(REGEX REPLACE "(\n3 +music +platform settings)" "\\1 display" table "${table}")
  file(WRITE ${copy}/layers.txt "${table}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${copy} -P ${ROOT}/cmake/check-layers.cmake
                  RESULT_VARIABLE result ERROR_VARIABLE err)
  message("${err}")
  string(FIND "${err}" "music uses itself through the folders it uses: a loop" at)
  if(result EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "planted-faults: a table with music and display using each other passed")
  endif()
endif()
file(REMOVE_RECURSE ${copy})
message(STATUS "planted-faults: ${CASE} refused as it must be")
