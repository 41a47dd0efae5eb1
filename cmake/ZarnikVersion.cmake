# The version of every binary, resource, manifest and package comes from project(VERSION).
set(ZARNIK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(ZARNIK_VERSION_QUAD
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zarnik_version.h.in
               ${ZARNIK_GENERATED_DIR}/zarnik_version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/startup/zarnik.manifest.in
               ${ZARNIK_GENERATED_DIR}/zarnik.manifest @ONLY)
