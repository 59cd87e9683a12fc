# HEIC and AVIF decoding: libde265 (HEVC), dav1d (AV1, cmake/dav1d.cmake)
# and libheif, built from Debian's source packages with this tree's compilers
# through their own builds, static, decoders only: no encoder, no plug-in
# loaded at run time, no programs.
# Bookworm's libheif 1.15 fails on current phone photos (1.18 is needed), so
# the newer releases are pinned, each with a fallback; the build log of the
# download step names the version taken.
# Windows: linked into the viewer. Native: the glue's unit test and fuzz
# target.
include(ExternalProject)
include(cmake/library_build_command.cmake)
include(cmake/dav1d.cmake)

set(VELLORA_LIBDE265_DIR "${CMAKE_BINARY_DIR}/libde265")
set(VELLORA_LIBDE265_PREFIX "${VELLORA_LIBDE265_DIR}/install")
set(VELLORA_LIBHEIF_DIR "${CMAKE_BINARY_DIR}/libheif")
set(VELLORA_LIBHEIF_BUILD "${VELLORA_LIBHEIF_DIR}/build")

# Static: without it every heif_* function is exported from the exe.
set(libheif_c_flags "-DLIBHEIF_STATIC_BUILD")
set(libde265_c_flags "")
if(VELLORA_SANITIZE)
  # Instrumented like the project's own code, so the fuzzer sees inside.
  # libheif copies zero bytes into empty vectors (memcpy to a null pointer),
  # and the HEVC decoder's arithmetic shifts negative numbers left: harmless
  # on every compiler, and the fuzzer would stop at them instead of looking
  # further. The decoder keeps AddressSanitizer for its memory accesses.
  string(APPEND libheif_c_flags " -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g")
  set(libde265_c_flags "-fsanitize=address -fno-omit-frame-pointer -g")
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    string(APPEND libheif_c_flags " -fsanitize=fuzzer-no-link")
    string(APPEND libde265_c_flags " -fsanitize=fuzzer-no-link")
  endif()
  string(APPEND libheif_c_flags " -fno-sanitize=nonnull-attribute")
endif()
set(libheif_common_args
  -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=Release ${VELLORA_LIBRARY_RELEASE_FLAGS}
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTING=OFF
  # Never the host's own libraries or .pc files.
  -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON)
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND libheif_common_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
foreach(launcher C CXX)
  if(CMAKE_${launcher}_COMPILER_LAUNCHER)
    list(APPEND libheif_common_args "-DCMAKE_${launcher}_COMPILER_LAUNCHER=${CMAKE_${launcher}_COMPILER_LAUNCHER}")
  endif()
endforeach()

# The HEVC stream declares its own picture size, which libde265 allocates
# for before libheif compares it with the file's header: up to 65535 x 65535
# from a few bytes. The program's one pixel limit, 16384 x 16384, bounds it.
set(libde265_patch sed -i -E "s/(#define MAX_PICTURE_(WIDTH|HEIGHT)) +65535/\\1 16384/"
    "${VELLORA_LIBDE265_DIR}/source/libde265/sps.h")
if(WIN32)
  list(APPEND libde265_patch COMMAND sed -i -f "${CMAKE_SOURCE_DIR}/cmake/libde265_threads.sed"
      "${VELLORA_LIBDE265_DIR}/source/libde265/threads.h" "${VELLORA_LIBDE265_DIR}/source/libde265/threads.cc")
endif()

ExternalProject_Add(libde265_debian
  PREFIX "${VELLORA_LIBDE265_DIR}"
  SOURCE_DIR "${VELLORA_LIBDE265_DIR}/source"
  BINARY_DIR "${VELLORA_LIBDE265_DIR}/build"
  INSTALL_DIR "${VELLORA_LIBDE265_PREFIX}"
  # trixie's security release of 2026; bookworm's as the fallback.
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite trixie
    --version 1.0.15-1+deb13u2 --version 1.0.11-1+deb12u2 libde265 "${VELLORA_LIBDE265_DIR}/source"
  PATCH_COMMAND ${libde265_patch}
  CMAKE_ARGS ${libheif_common_args}
    "-DCMAKE_C_FLAGS=${libde265_c_flags}" "-DCMAKE_CXX_FLAGS=${libde265_c_flags}"
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
    -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
  BUILD_BYPRODUCTS "${VELLORA_LIBDE265_PREFIX}/lib/libde265.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# Each patch can run again over a source it has already patched (a tree
# configured before a patch was added runs them all once more), and then
# changes nothing. The library-wide limits are the ones libheif hands to
# dav1d as its frame size limit (the AV1 stream declares its own size,
# allocated for before libheif compares it with the file's header): the
# program's one pixel limit, 16384 x 16384, instead of 32768 x 32768.
set(libheif_image_item "${VELLORA_LIBHEIF_DIR}/source/libheif/image-items/image_item.cc")
set(libheif_patch sh -c "grep -q 'nesting >= 8' '${libheif_image_item}' || sed -i -f '${CMAKE_SOURCE_DIR}/cmake/libheif_nesting.sed' '${libheif_image_item}'"
  COMMAND sed -i -f "${CMAKE_SOURCE_DIR}/cmake/libheif_crop.sed" "${VELLORA_LIBHEIF_DIR}/source/libheif/pixelimage.cc"
  COMMAND sed -i "s/max_image_size_pixels = 32768 \\* 32768/max_image_size_pixels = 16384 * 16384/"
    "${VELLORA_LIBHEIF_DIR}/source/libheif/security_limits.cc")
# The AV1 decoder's wrapper lets go of its pending data only while the data
# still holds bytes; after dav1d refused a stream the bytes are gone but the
# buffer is still held, and every broken AVIF file leaked it.
list(APPEND libheif_patch COMMAND sed -i "s/if (decoder->data.sz) {/if (decoder->data.ref) {/"
    "${VELLORA_LIBHEIF_DIR}/source/libheif/plugins/decoder_dav1d.cc")
if(WIN32)
  # libheif gives each HEVC decoder one worker thread, which the calling
  # thread then waits for: no faster than the calling thread decoding alone
  # (a 12 MP photo and a 48-tile grid measured the same with two workers),
  # and threads more for every grid tile. A grid's tiles are decoded side by
  # side instead (heif_reader).
  list(APPEND libheif_patch COMMAND sed -i "s/de265_start_worker_threads(decoder->ctx, 1)/de265_start_worker_threads(decoder->ctx, 0)/"
      "${VELLORA_LIBHEIF_DIR}/source/libheif/plugins/decoder_libde265.cc")
endif()

vellora_library_build_command(libheif_build heif)
ExternalProject_Add(libheif_debian
  DEPENDS libde265_debian dav1d_debian
  PREFIX "${VELLORA_LIBHEIF_DIR}"
  SOURCE_DIR "${VELLORA_LIBHEIF_DIR}/source"
  BINARY_DIR "${VELLORA_LIBHEIF_BUILD}"
  # bookworm-backports' 1.19.7 (its .dsc is gone, its tarballs are not);
  # trixie's as the fallback.
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite bookworm-backports --suite trixie
    --version 1.19.7-1~bpo12+1 --version 1.23.6-2~deb13u1 libheif "${VELLORA_LIBHEIF_DIR}/source"
  PATCH_COMMAND ${libheif_patch}
  CMAKE_ARGS ${libheif_common_args}
    "-DCMAKE_C_FLAGS=${libheif_c_flags}" "-DCMAKE_CXX_FLAGS=${libheif_c_flags}"
    -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DWITH_GDK_PIXBUF=OFF -DWITH_FUZZERS=OFF
    -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF
    "-DLIBDE265_INCLUDE_DIR=${VELLORA_LIBDE265_PREFIX}/include"
    "-DLIBDE265_LIBRARY=${VELLORA_LIBDE265_PREFIX}/lib/libde265.a"
    -DWITH_X265=OFF -DWITH_KVAZAAR=OFF -DWITH_UVG266=OFF -DWITH_VVDEC=OFF -DWITH_VVENC=OFF
    -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF
    "-DDAV1D_INCLUDE_DIR=${VELLORA_DAV1D_PREFIX}/include"
    "-DDAV1D_LIBRARY=${VELLORA_DAV1D_PREFIX}/lib/libdav1d.a"
    -DWITH_OpenH264_DECODER=OFF -DWITH_AOM_DECODER=OFF -DWITH_AOM_ENCODER=OFF
    -DWITH_SvtEnc=OFF -DWITH_RAV1E=OFF -DWITH_JPEG_DECODER=OFF -DWITH_JPEG_ENCODER=OFF
    -DWITH_OpenJPEG_DECODER=OFF -DWITH_OpenJPEG_ENCODER=OFF -DWITH_FFMPEG_DECODER=OFF
    -DWITH_OPENJPH_ENCODER=OFF -DWITH_UNCOMPRESSED_CODEC=OFF -DWITH_LIBSHARPYUV=OFF
    -DWITH_HEADER_COMPRESSION=OFF -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
  # The library alone, not the image I/O helpers of its programs.
  BUILD_COMMAND ${libheif_build}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${VELLORA_LIBHEIF_BUILD}/libheif/libheif.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

find_package(Threads REQUIRED)
add_library(vellora_libheif INTERFACE)
add_dependencies(vellora_libheif libheif_debian)
target_compile_definitions(vellora_libheif INTERFACE LIBHEIF_STATIC_BUILD LIBDE265_STATIC_BUILD)
target_include_directories(vellora_libheif INTERFACE
  "${VELLORA_LIBHEIF_DIR}/source/libheif/api" "${VELLORA_LIBHEIF_BUILD}")
target_link_libraries(vellora_libheif INTERFACE
  "${VELLORA_LIBHEIF_BUILD}/libheif/libheif.a" "${VELLORA_LIBDE265_PREFIX}/lib/libde265.a"
  "${VELLORA_DAV1D_PREFIX}/lib/libdav1d.a" Threads::Threads)

# Windows: the viewer's platform library; native: the core, and with it the
# unit tests and the fuzz targets.
foreach(consumer vellora_platform vellora_core)
  if(TARGET ${consumer})
    target_link_libraries(${consumer} PUBLIC vellora_libheif)
  endif()
endforeach()
