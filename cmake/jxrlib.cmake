# JPEG XR decoding: jxrlib from Debian's source package, built static with
# this tree's compilers through the package's own CMake build, the codec and
# its glue only (no programs, no test library). Bookworm's release no longer
# downloads (its Debian tarball is gone), so trixie's is pinned, with
# bookworm's as the fallback; the build log of the download step names the
# version taken. Windows only: the viewer links it.
include(ExternalProject)

set(VELLORA_JXRLIB_DIR "${CMAKE_BINARY_DIR}/jxrlib")
set(VELLORA_JXRLIB_BUILD "${VELLORA_JXRLIB_DIR}/build")
set(jxrlib_source "${VELLORA_JXRLIB_DIR}/source")

set(jxrlib_args
  -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
  -DCMAKE_BUILD_TYPE=Release
  # The bundled SAL annotations of its Windows mode, which MinGW lacks.
  "-DCMAKE_C_FLAGS=-D__in= -D__out=")
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND jxrlib_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
if(CMAKE_C_COMPILER_LAUNCHER)
  list(APPEND jxrlib_args "-DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")
endif()

# Debian's build is for Linux: shared libraries in the library's portable
# mode, which cannot build for 64-bit Windows. Its Windows mode builds with
# MinGW once the x86 header is included with a forward slash, the SAL macros
# of jxrlib's own headers are used under MinGW too, and the byte-swap
# declaration Debian adds for other systems leaves MinGW's intrinsic alone.
set(jxrlib_patch
  sed -i -e "s/set(BUILD_SHARED_LIBS ON)/set(BUILD_SHARED_LIBS OFF)/"
    -e "s/COMPILE_DEFINITIONS __ANSI__ /COMPILE_DEFINITIONS /"
    -e "s/add_library(jxrglue ..OBJ_GLUE. ..OBJ_TEST.)/add_library(jxrglue \${OBJ_GLUE})/"
    "${jxrlib_source}/CMakeLists.txt"
  COMMAND sed -i "s|\"[.][.].x86.x86[.]h\"|\"../x86/x86.h\"|" "${jxrlib_source}/image/sys/strcodec.h"
  COMMAND sed -i "31s/^#ifndef WIN32/#if !defined(WIN32) || defined(__MINGW32__)/"
    "${jxrlib_source}/jxrgluelib/JXRMeta.h"
  COMMAND sed -i "/U32 _byteswap_ulong(U32 bits). .. from/d" "${jxrlib_source}/image/decode/segdec.c")

ExternalProject_Add(jxrlib_debian
  PREFIX "${VELLORA_JXRLIB_DIR}"
  SOURCE_DIR "${jxrlib_source}"
  BINARY_DIR "${VELLORA_JXRLIB_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite trixie
    --version 1.2~git20170615.f752187-5.3 --version 1.2~git20170615.f752187-5 jxrlib "${jxrlib_source}"
  PATCH_COMMAND ${jxrlib_patch}
  CMAKE_ARGS ${jxrlib_args}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jxrglue jpegxr
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${VELLORA_JXRLIB_BUILD}/libjxrglue.a" "${VELLORA_JXRLIB_BUILD}/libjpegxr.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

# jxrlib's headers stand in for some of Windows' own (guiddef.h and the
# like), so only the reader sees them.
set_source_files_properties("${CMAKE_SOURCE_DIR}/src/decode/libraries/jxr_reader.cpp" PROPERTIES
  INCLUDE_DIRECTORIES "${jxrlib_source}/common/include;${jxrlib_source}/image/sys;${jxrlib_source}/jxrgluelib")
add_dependencies(vellora_platform jxrlib_debian)
target_link_libraries(vellora_platform PUBLIC
  "${VELLORA_JXRLIB_BUILD}/libjxrglue.a" "${VELLORA_JXRLIB_BUILD}/libjpegxr.a")

# JPEG XR test pictures for decode_image_file_test: an ImageMagick ramp of
# odd size (the codec pads to macroblocks of 16) encoded by Debian's
# JxrEncApp as 8-bit opaque (lossy), 8-bit with alpha (lossless), 16-bit
# (lossy), half and single floating point (lossless), each beside JxrDecApp's
# decoding of the same file as raw 8-bit R,G,B,A rows (NAME.rgba), which the
# test compares with the viewer's. The floating-point samples are linear
# light: ImageMagick encodes them to sRGB for the reference.
find_program(VELLORA_JXR_ENCODE JxrEncApp REQUIRED)
find_program(VELLORA_JXR_DECODE JxrDecApp REQUIRED)
set(jxr_ramp -size 37x23 "gradient:rgb(250,40,10)-rgb(20,90,240)")
set(VELLORA_JXR_TEST_IMAGES "")
foreach(kind opaque alpha deep half float)
  set(source_options -depth 8)
  set(encoder_options -q 0.9)
  set(reference_format bmp)
  set(reference_options "")
  if(kind STREQUAL "alpha")
    set(source_options -alpha set -channel A -fx "(i+j)/(w+h)" +channel -depth 8)
    set(encoder_options "")
    set(reference_format tif)
  elseif(kind STREQUAL "deep")
    set(source_options -depth 16)
    set(reference_format tif)
  elseif(kind MATCHES "half|float")
    set(depth 16)
    if(kind STREQUAL "float")
      set(depth 32)
    endif()
    set(source_options -define quantum:format=floating-point -depth ${depth} -compress none)
    set(encoder_options "")
    set(reference_format tif)
    set(reference_options -set colorspace RGB -colorspace sRGB)
  endif()
  set(stem "${VELLORA_TEST_IMAGES_DIR}/ramp-${kind}")
  set(source_format tif)
  if(kind STREQUAL "opaque")
    set(source_format bmp)
  endif()
  add_custom_command(OUTPUT "${stem}.jxr" "${stem}.rgba"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    # ImageMagick 6 writes floating-point TIFF files whole but fails on their
    # predictor tag, so the file itself says whether it was written.
    COMMAND sh -c "\"$0\" \"$@\"; test -s \"${stem}.source.${source_format}\""
      ${VELLORA_MAGICK_CONVERT} ${jxr_ramp} ${source_options} "${stem}.source.${source_format}"
    COMMAND ${VELLORA_JXR_ENCODE} -i "${stem}.source.${source_format}" -o "${stem}.jxr" ${encoder_options} > /dev/null
    COMMAND ${VELLORA_JXR_DECODE} -i "${stem}.jxr" -o "${stem}.reference.${reference_format}" > /dev/null
    COMMAND ${VELLORA_MAGICK_CONVERT} "${stem}.reference.${reference_format}" ${reference_options} -alpha on -depth 8 "RGBA:${stem}.rgba"
    COMMENT "Writing test image ramp-${kind}.jxr" VERBATIM)
  list(APPEND VELLORA_JXR_TEST_IMAGES "${stem}.jxr" "${stem}.rgba")
endforeach()
add_custom_target(vellora_jxr_test_images DEPENDS ${VELLORA_JXR_TEST_IMAGES})
add_dependencies(decode_image_file_test vellora_jxr_test_images)
# Wine's imaging component decodes JPEG XR itself once Debian's libjxr is
# installed (JxrEncApp brings it); without its decoder the viewer's own
# reader is what the scenario and the dispatch run, as on a system without one.
set_tests_properties(win.decode_image_file_test e2e.stepping_e2e PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=wmphoto=d")
