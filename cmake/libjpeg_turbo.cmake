# libjpeg-turbo, the viewer's JPEG decoder: built from Debian's source package
# with this tree's compilers through its own CMake, static, with its SIMD
# code (NASM). Only the libjpeg library is built and linked, into the
# portable core (vellora_core natively, vellora_platform on Windows).
# Arithmetic decoding is left out: the platform's decoder, which gets every
# file this path refuses, does not read such files either, and without it a
# file's size bounds the blocks it can describe (see jpeg_memory_decode.cpp).
include(ExternalProject)
include(cmake/library_build_command.cmake)

set(VELLORA_LIBJPEG_DIR "${CMAKE_BINARY_DIR}/libjpeg-turbo")
set(VELLORA_LIBJPEG_SOURCE "${VELLORA_LIBJPEG_DIR}/source")
set(VELLORA_LIBJPEG_BUILD "${VELLORA_LIBJPEG_DIR}/build")

set(libjpeg_c_flags "")
if(VELLORA_SANITIZE)
  # As for libwebp: the fuzz target sees inside the decoder.
  set(libjpeg_c_flags "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g")
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    string(APPEND libjpeg_c_flags " -fsanitize=fuzzer-no-link")
  endif()
endif()
set(libjpeg_platform_args "")
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND libjpeg_platform_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
if(WIN32)
  # The static C runtime of the rest of the exe, not msvcrt's DLL import.
  list(APPEND libjpeg_platform_args -DWITH_CRT_DLL=OFF)
endif()

vellora_library_build_command(libjpeg_build jpeg-static)
ExternalProject_Add(libjpeg_turbo_debian
  PREFIX "${VELLORA_LIBJPEG_DIR}"
  SOURCE_DIR "${VELLORA_LIBJPEG_SOURCE}"
  BINARY_DIR "${VELLORA_LIBJPEG_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" libjpeg-turbo "${VELLORA_LIBJPEG_SOURCE}" libjpeg-turbo-progs
  CMAKE_ARGS
    ${libjpeg_platform_args}
    -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
    -DCMAKE_BUILD_TYPE=Release ${VELLORA_LIBRARY_RELEASE_FLAGS}
    "-DCMAKE_C_FLAGS=${libjpeg_c_flags}"
    # Never installed; its Windows default (c:/...) is no path on this host.
    "-DCMAKE_INSTALL_PREFIX=${VELLORA_LIBJPEG_DIR}/install"
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
    -DREQUIRE_SIMD=ON
    -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
  BUILD_COMMAND ${libjpeg_build}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${VELLORA_LIBJPEG_BUILD}/libjpeg.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

# jpeglib.h and its companions live in the source; jconfig.h is generated.
add_library(vellora_libjpeg INTERFACE)
add_dependencies(vellora_libjpeg libjpeg_turbo_debian)
target_include_directories(vellora_libjpeg INTERFACE "${VELLORA_LIBJPEG_SOURCE}" "${VELLORA_LIBJPEG_BUILD}")
target_link_libraries(vellora_libjpeg INTERFACE "${VELLORA_LIBJPEG_BUILD}/libjpeg.a")

foreach(core vellora_core vellora_platform)
  if(TARGET ${core})
    target_link_libraries(${core} PUBLIC vellora_libjpeg)
    add_dependencies(${core} libjpeg_turbo_debian)
  endif()
endforeach()
