# The version of every binary, resource, manifest and package comes from project(VERSION).
# Windows wants four numbers; parts project(VERSION) leaves out count as 0.
foreach(_part MAJOR MINOR PATCH)
  if("${PROJECT_VERSION_${_part}}" STREQUAL "")
    set(ZARNIK_VERSION_${_part} 0)
  else()
    set(ZARNIK_VERSION_${_part} ${PROJECT_VERSION_${_part}})
  endif()
endforeach()
set(ZARNIK_VERSION_QUAD "${ZARNIK_VERSION_MAJOR}.${ZARNIK_VERSION_MINOR}.${ZARNIK_VERSION_PATCH}.0")

set(ZARNIK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zarnik_version.h.in
               ${ZARNIK_GENERATED_DIR}/zarnik_version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/platform/zarnik.manifest.in
               ${ZARNIK_GENERATED_DIR}/zarnik.manifest @ONLY)
