# Compile settings for the project's own targets (not for the third-party code it builds).
set(ZARNIK_WARNINGS -Wall -Wextra -Wshadow -Wformat=2 -Werror)

# The same bytes from every build of one commit: the linker writes no time into the PE header or
# the export table, and the folders it was built in would reach no object through GCC either
# (debug information, __FILE__). The resource compiler takes no such flag; its output holds
# neither.
set(ZARNIK_PREFIX_MAPS -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${ZARNIK_PREFIX_MAPS}>")
add_link_options(-Wl,--no-insert-timestamp)

function(zarnik_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_definitions(${target} PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0A00 WINVER=0x0A00
                                              NOMINMAX WIN32_LEAN_AND_MEAN)
  target_compile_options(${target} PRIVATE ${ZARNIK_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Pure logic: no windows.h, so its unit tests may also be built natively (fuzzing).
function(zarnik_pure_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE ${ZARNIK_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Programs run on a clean Windows: no mingw runtime DLLs beside them.
function(zarnik_static_link target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

# zarnik_resources(target file.rc [DEPENDS files...]): the resource script compiled once (apart,
# so that no compiler warning flag reaches the resource compiler) and linked into whatever
# links target. Resource objects carry no symbols and would be dropped from a static library,
# so they travel as the target's interface sources.
function(zarnik_resources target rc)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  add_library(${target}_res OBJECT ${rc})
  target_include_directories(${target}_res PRIVATE ${PROJECT_SOURCE_DIR} ${ZARNIK_GENERATED_DIR})
  if(R_DEPENDS)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${R_DEPENDS}")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    target_sources(${target} INTERFACE $<TARGET_OBJECTS:${target}_res>)
  else()
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_res>)
  endif()
endfunction()
