# libjpeg-turbo, linked statically. Either built here from a source tree
# (ZARNIK_LIBJPEG_TURBO_SOURCE; scripts/fetch-libjpeg-turbo.sh gets Debian's), or, when none
# is given, an installed static package (MSYS2: mingw-w64-x86_64-libjpeg-turbo).
set(ZARNIK_LIBJPEG_TURBO_SOURCE "" CACHE PATH "libjpeg-turbo source tree to build for the target")

if(ZARNIK_LIBJPEG_TURBO_SOURCE)
  include(ExternalProject)
  set(_jt_prefix ${CMAKE_BINARY_DIR}/deps/libjpeg-turbo-install)
  set(_jt_args
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${_jt_prefix}
    -DCMAKE_INSTALL_LIBDIR=${_jt_prefix}/lib
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=ON
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON
    # mingw emulates thread-local variables, and the SIMD dispatch reads one for every 8x8
    # block: a lookup costing several per cent of each conversion. Zarnik and its converter
    # use the library from one thread, so a plain variable serves.
    -DHAVE_THREAD_LOCAL=OFF
    # Its build string (compiled into the library) is the day it was configured unless given:
    # the commit's day instead. Its folders stay out of its objects as ours do; NASM writes
    # the full path of each SIMD source into the object's symbol table unless told not to.
    -DBUILD=${ZARNIK_SOURCE_DATE}
    "-DCMAKE_C_FLAGS=-ffile-prefix-map=${ZARNIK_LIBJPEG_TURBO_SOURCE}=libjpeg-turbo -ffile-prefix-map=${CMAKE_BINARY_DIR}=build"
    -DCMAKE_ASM_NASM_FLAGS=--reproducible)
  if(CMAKE_TOOLCHAIN_FILE)
    list(APPEND _jt_args -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE})
  endif()
  if(CMAKE_GENERATOR MATCHES "Ninja")
    set(_jt_generator GENERATOR Ninja)
  endif()
  ExternalProject_Add(libjpeg_turbo_build
    SOURCE_DIR ${ZARNIK_LIBJPEG_TURBO_SOURCE}
    BINARY_DIR ${CMAKE_BINARY_DIR}/deps/libjpeg-turbo-build
    INSTALL_DIR ${_jt_prefix}
    CMAKE_ARGS ${_jt_args}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target turbojpeg-static jpeg-static
    INSTALL_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target install
    BUILD_BYPRODUCTS ${_jt_prefix}/lib/libturbojpeg.a ${_jt_prefix}/lib/libjpeg.a
    UPDATE_COMMAND "" PATCH_COMMAND "")
  file(MAKE_DIRECTORY ${_jt_prefix}/include)

  add_library(zarnik_jpeg STATIC IMPORTED GLOBAL)
  set_target_properties(zarnik_jpeg PROPERTIES
    IMPORTED_LOCATION ${_jt_prefix}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${_jt_prefix}/include)
  add_dependencies(zarnik_jpeg libjpeg_turbo_build)

  add_library(zarnik_turbojpeg STATIC IMPORTED GLOBAL)
  set_target_properties(zarnik_turbojpeg PROPERTIES
    IMPORTED_LOCATION ${_jt_prefix}/lib/libturbojpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${_jt_prefix}/include)
  add_dependencies(zarnik_turbojpeg libjpeg_turbo_build)
else()
  find_package(libjpeg-turbo CONFIG REQUIRED)
  add_library(zarnik_jpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(zarnik_jpeg INTERFACE libjpeg-turbo::jpeg-static)
  add_library(zarnik_turbojpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(zarnik_turbojpeg INTERFACE libjpeg-turbo::turbojpeg-static)
endif()
