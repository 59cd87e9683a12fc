# JPEG XL decoding: brotli, highway and libjxl, built from Debian's source
# packages with this tree's compilers through their own CMake builds, static,
# decoders only: no encoder, no programs, no plug-ins. Bookworm's libjxl 0.7
# is the only release the archive serves (trixie's answers 404), and highway
# and brotli are pinned to the releases bookworm builds it with; each has a
# fallback, and the build log of the download step names the version taken.
# Debian empties libjxl's third_party/, so the two come from their own
# packages, each in its own folder, where the packaging finds its notice.
# Windows: linked into the viewer. Native (sanitizer tree): the glue's unit
# test and fuzz target.
include(ExternalProject)
include(cmake/library_build_command.cmake)

set(VELLORA_BROTLI_DIR "${CMAKE_BINARY_DIR}/brotli")
set(VELLORA_BROTLI_BUILD "${VELLORA_BROTLI_DIR}/build")
set(VELLORA_HIGHWAY_DIR "${CMAKE_BINARY_DIR}/highway")
set(VELLORA_HIGHWAY_PREFIX "${VELLORA_HIGHWAY_DIR}/install")
set(VELLORA_LIBJXL_DIR "${CMAKE_BINARY_DIR}/libjxl")
set(VELLORA_LIBJXL_BUILD "${VELLORA_LIBJXL_DIR}/build")

# highway compiles each of libjxl's vector bodies once per instruction set
# and picks one at run time: by default five (plain 128-bit emulation,
# SSSE3, SSE4, AVX2, AVX-512), which made the decoder's build take five
# times as long. Windows keeps the emulation as the fallback, SSE4 and AVX2
# (AVX-512 is HWY_AVX3 = 1 << 8, SSSE3 1 << 12); the sanitizer tree, which
# tests the glue and the decoder's logic, builds the emulation alone.
set(libjxl_flags "-DHWY_DISABLED_TARGETS=4352")
if(VELLORA_SANITIZE)
  # Instrumented like the project's own code, so the fuzzer sees inside.
  set(libjxl_flags "-DHWY_COMPILE_ONLY_EMU128 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g")
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    string(APPEND libjxl_flags " -fsanitize=fuzzer-no-link")
  endif()
endif()
# JPEGXL_STATIC links libjxl's own programs with -static, which
# AddressSanitizer cannot; the libraries are static either way.
set(libjxl_static OFF)
if(WIN32)
  set(libjxl_static ON)
endif()
# Nothing of the libraries is exported from the exe, and the viewer's
# declarations match the objects: neither side uses dllimport/dllexport.
set(libjxl_static_defines "-DJXL_STATIC_DEFINE -DJXL_THREADS_STATIC_DEFINE")

set(libjxl_common_args
  -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=Release ${VELLORA_LIBRARY_RELEASE_FLAGS}
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTING=OFF)
# Never the host's own libraries or .pc files: each build below turns
# pkg-config off.
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND libjxl_common_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
foreach(launcher C CXX)
  if(CMAKE_${launcher}_COMPILER_LAUNCHER)
    list(APPEND libjxl_common_args "-DCMAKE_${launcher}_COMPILER_LAUNCHER=${CMAKE_${launcher}_COMPILER_LAUNCHER}")
  endif()
endforeach()

set(brotli_common "${VELLORA_BROTLI_BUILD}/libbrotlicommon-static.a")
set(brotli_decoder "${VELLORA_BROTLI_BUILD}/libbrotlidec-static.a")
vellora_library_build_command(brotli_build brotlicommon-static brotlidec-static)
ExternalProject_Add(brotli_debian
  PREFIX "${VELLORA_BROTLI_DIR}"
  SOURCE_DIR "${VELLORA_BROTLI_DIR}/source"
  BINARY_DIR "${VELLORA_BROTLI_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source"
    --version 1.0.9-2 --version 1.0.9-2+b6 brotli "${VELLORA_BROTLI_DIR}/source"
  CMAKE_ARGS ${libjxl_common_args} -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON
    "-DCMAKE_C_FLAGS=${libjxl_flags}" -DBROTLI_DISABLE_TESTS=ON
  # The decoder alone: libjxl decodes, and its encoder is never built.
  BUILD_COMMAND ${brotli_build}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${brotli_common}" "${brotli_decoder}"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

set(highway_library "${VELLORA_HIGHWAY_PREFIX}/lib/libhwy.a")
ExternalProject_Add(highway_debian
  PREFIX "${VELLORA_HIGHWAY_DIR}"
  SOURCE_DIR "${VELLORA_HIGHWAY_DIR}/source"
  BINARY_DIR "${VELLORA_HIGHWAY_DIR}/build"
  INSTALL_DIR "${VELLORA_HIGHWAY_PREFIX}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source"
    --version 1.0.3-3+deb12u1 --version 1.0.3-3 highway "${VELLORA_HIGHWAY_DIR}/source"
  CMAKE_ARGS ${libjxl_common_args} -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON
    "-DCMAKE_C_FLAGS=${libjxl_flags}" "-DCMAKE_CXX_FLAGS=${libjxl_flags}"
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
    -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_CONTRIB=OFF -DHWY_ENABLE_EXAMPLES=OFF
  BUILD_BYPRODUCTS "${highway_library}"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# libjxl 0.7's decoder uses no colour management system, but its build
# insists on one: an empty stand-in takes lcms2's place.
set(libjxl_patch sed -i
    "s/message(FATAL_ERROR \"Please install lcms2 or run git submodule update --init\")/add_library(lcms2 INTERFACE)/"
    "${VELLORA_LIBJXL_DIR}/source/third_party/CMakeLists.txt")

set(libjxl_decoder "${VELLORA_LIBJXL_BUILD}/lib/libjxl_dec.a")
set(libjxl_threads "${VELLORA_LIBJXL_BUILD}/lib/libjxl_threads.a")
vellora_library_build_command(libjxl_build jxl_dec-static jxl_threads-static)
ExternalProject_Add(libjxl_debian
  DEPENDS brotli_debian highway_debian
  PREFIX "${VELLORA_LIBJXL_DIR}"
  SOURCE_DIR "${VELLORA_LIBJXL_DIR}/source"
  BINARY_DIR "${VELLORA_LIBJXL_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source"
    --version 0.7.0-10+deb12u1 --version 0.7.0-10 jpeg-xl "${VELLORA_LIBJXL_DIR}/source"
  PATCH_COMMAND ${libjxl_patch}
  # Its build calls pkg-config's functions unguarded; a pkg-config that
  # finds nothing keeps the host's own .pc files out.
  CMAKE_ARGS ${libjxl_common_args} -DPKG_CONFIG_EXECUTABLE=/bin/false
    "-DCMAKE_C_FLAGS=${libjxl_flags} ${libjxl_static_defines}"
    "-DCMAKE_CXX_FLAGS=${libjxl_flags} ${libjxl_static_defines}"
    -DJPEGXL_STATIC=${libjxl_static} -DJPEGXL_ENABLE_TOOLS=OFF -DJPEGXL_ENABLE_EXAMPLES=OFF
    -DJPEGXL_ENABLE_BENCHMARK=OFF -DJPEGXL_ENABLE_MANPAGES=OFF -DJPEGXL_ENABLE_DOXYGEN=OFF
    -DJPEGXL_ENABLE_JNI=OFF -DJPEGXL_ENABLE_SJPEG=OFF -DJPEGXL_ENABLE_OPENEXR=OFF
    -DJPEGXL_ENABLE_PLUGINS=OFF -DJPEGXL_ENABLE_VIEWERS=OFF -DJPEGXL_ENABLE_TCMALLOC=OFF
    -DJPEGXL_ENABLE_FUZZERS=OFF -DJPEGXL_ENABLE_DEVTOOLS=OFF -DJPEGXL_ENABLE_SKCMS=OFF
    # The viewer shows pixels; rebuilding the original JPEG file is not needed.
    -DJPEGXL_ENABLE_TRANSCODE_JPEG=OFF
    -DJPEGXL_WARNINGS_AS_ERRORS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_LCMS2=ON
    # The instruction sets are the ones chosen above, not libjxl's own list.
    -DJXL_HWY_DISABLED_TARGETS_FORCED=ON
    -DJPEGXL_FORCE_SYSTEM_BROTLI=ON -DJPEGXL_FORCE_SYSTEM_HWY=ON
    "-DHWY_INCLUDE_DIR=${VELLORA_HIGHWAY_PREFIX}/include" "-DHWY_LIBRARY=${highway_library}"
    "-DBROTLI_INCLUDE_DIR=${VELLORA_BROTLI_DIR}/source/c/include"
    "-DBROTLICOMMON_LIBRARY=${brotli_common}" "-DBROTLIDEC_LIBRARY=${brotli_decoder}"
    # Its find module wants the brotli encoder too, which only libjxl's
    # encoder links; the decoder stands in for it and is never linked as such.
    "-DBROTLIENC_LIBRARY=${brotli_decoder}"
  BUILD_COMMAND ${libjxl_build}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${libjxl_decoder}" "${libjxl_threads}"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

find_package(Threads REQUIRED)
add_library(vellora_libjxl INTERFACE)
add_dependencies(vellora_libjxl libjxl_debian)
target_compile_definitions(vellora_libjxl INTERFACE JXL_STATIC_DEFINE JXL_THREADS_STATIC_DEFINE)
target_include_directories(vellora_libjxl INTERFACE
  "${VELLORA_LIBJXL_DIR}/source/lib/include" "${VELLORA_LIBJXL_BUILD}/lib/include")
target_link_libraries(vellora_libjxl INTERFACE
  "${libjxl_decoder}" "${libjxl_threads}" "${highway_library}" "${brotli_decoder}" "${brotli_common}"
  Threads::Threads)

# Windows: the viewer's platform library; native: the core, and with it the
# unit tests and the fuzz targets.
foreach(consumer vellora_platform vellora_core)
  if(TARGET ${consumer})
    target_link_libraries(${consumer} PUBLIC vellora_libjxl)
  endif()
endforeach()

# JPEG XL test pictures for decode_image_file_test, written by Debian's cjxl
# from the ImageMagick pictures above: the bands lossless (exact colours) and
# the half-transparent red with its alpha.
if(WIN32)
  find_program(VELLORA_JXL_ENCODE cjxl REQUIRED)
  set(VELLORA_JXL_TEST_IMAGES "")
  foreach(name bands alpha)
    set(image "${VELLORA_TEST_IMAGES_DIR}/${name}.jxl")
    add_custom_command(OUTPUT "${image}"
      COMMAND ${VELLORA_JXL_ENCODE} "${VELLORA_TEST_IMAGES_DIR}/${name}.png" "${image}" -d 0 > /dev/null 2>&1
      DEPENDS "${VELLORA_TEST_IMAGES_DIR}/${name}.png"
      COMMENT "Writing test image ${name}.jxl" VERBATIM)
    list(APPEND VELLORA_JXL_TEST_IMAGES "${image}")
  endforeach()
  add_custom_target(vellora_jxl_test_images DEPENDS ${VELLORA_JXL_TEST_IMAGES})
  add_dependencies(decode_image_file_test vellora_jxl_test_images)
endif()
