# Camera RAW previews: LibRaw from Debian's source package, built static with
# this tree's compilers (cmake/libraw_build/ compiles its Makefile.dist's
# thread-safe object list), without zlib or a JPEG library: only deflate and
# lossy DNG raw data need them, and the viewer never develops raw data.
# trixie's release downloads only when pinned; bookworm's is the fallback.
# The build log of the download step names the version taken.
# Windows: linked into the viewer. Native (sanitizer tree): the reader's unit
# test and fuzz target.
include(ExternalProject)

set(VELLORA_LIBRAW_DIR "${CMAKE_BINARY_DIR}/libraw")
set(VELLORA_LIBRAW_BUILD "${VELLORA_LIBRAW_DIR}/build")

set(libraw_cxx_flags "")
if(VELLORA_SANITIZE)
  # AddressSanitizer and the fuzzer's coverage, so the fuzzer sees inside
  # and every read past a buffer stops it; the undefined-behaviour checks
  # would double its long compile for code the viewer never runs (the
  # developing of raw data).
  set(libraw_cxx_flags "-fsanitize=address -fno-omit-frame-pointer -gline-tables-only")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    string(APPEND libraw_cxx_flags " -fsanitize=fuzzer-no-link")
  endif()
  set(libraw_optimize -O1)
else()
  set(libraw_optimize -O2)
endif()
set(libraw_args
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=Release
  "-DCMAKE_CXX_FLAGS=${libraw_cxx_flags}"
  "-DLIBRAW_SOURCE_DIR=${VELLORA_LIBRAW_DIR}/source"
  "-DLIBRAW_OPTIMIZE=${libraw_optimize}")
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND libraw_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
if(CMAKE_CXX_COMPILER_LAUNCHER)
  list(APPEND libraw_args "-DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}")
endif()

# unpack_thumb frees the thumbnail it held before it checks the new one's
# size; when that check throws, the freed pointer stays behind and the next
# preview asked for, or the library's own clean-up, frees it again (a
# crafted TIFF-based file made it happen). Each free leaves the pointer null.
set(libraw_unpack_thumb "${VELLORA_LIBRAW_DIR}/source/src/decoders/unpack_thumb.cpp")
set(libraw_patch sh -c "grep -q 'T.thumb = 0' '${libraw_unpack_thumb}' || sed -i -f '${CMAKE_SOURCE_DIR}/cmake/libraw_thumb.sed' '${libraw_unpack_thumb}'")

ExternalProject_Add(libraw_debian
  PREFIX "${VELLORA_LIBRAW_DIR}"
  SOURCE_DIR "${VELLORA_LIBRAW_DIR}/source"
  BINARY_DIR "${VELLORA_LIBRAW_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite trixie
    --version 0.21.4-2+deb13u1 --version 0.20.2-2.1+deb12u1 libraw "${VELLORA_LIBRAW_DIR}/source"
  PATCH_COMMAND ${libraw_patch}
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -S "${CMAKE_SOURCE_DIR}/cmake/libraw_build" -B <BINARY_DIR> ${libraw_args}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${VELLORA_LIBRAW_BUILD}/libraw_r.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

add_library(vellora_libraw INTERFACE)
add_dependencies(vellora_libraw libraw_debian)
target_compile_definitions(vellora_libraw INTERFACE LIBRAW_NODLL)
# libraw/libraw.h lives at the top of the source.
target_include_directories(vellora_libraw INTERFACE "${VELLORA_LIBRAW_DIR}/source")
target_link_libraries(vellora_libraw INTERFACE "${VELLORA_LIBRAW_BUILD}/libraw_r.a")
if(WIN32)
  # Its byte-order helpers (ntohs, htonl) come from Winsock.
  target_link_libraries(vellora_libraw INTERFACE ws2_32)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(vellora_libraw INTERFACE Threads::Threads m)
endif()

foreach(consumer vellora_platform vellora_core)
  if(TARGET ${consumer})
    target_link_libraries(${consumer} PUBLIC vellora_libraw)
  endif()
endforeach()

if(WIN32)
  # Test DNG files for decode_image_file_test, each beside what Debian's
  # tools make of it: simple_dcraw -e takes the preview out, djpeg decodes
  # it (R,G,B rows, NAME.EIGHTHS.rgb). raw-large holds a smooth 1600 x 1000
  # JPEG preview, larger than the screen, decoded at every DCT scale;
  # raw-turned a 61 x 37 one recorded a quarter turn clockwise (orientation
  # 6), turned by ImageMagick for the reference.
  find_program(VELLORA_SIMPLE_DCRAW simple_dcraw REQUIRED)
  find_program(VELLORA_DJPEG djpeg REQUIRED)
  set(VELLORA_RAW_TEST_IMAGES "")
  foreach(kind large turned)
    set(stem "${VELLORA_TEST_IMAGES_DIR}/raw-${kind}")
    if(kind STREQUAL "large")
      set(size 1600x1000)
      set(width 1600)
      set(height 1000)
      set(orientation 1)
      set(scales 1 2 3 4 5 6 7 8)
      set(reference_options "")
    else()
      set(size 61x37)
      set(width 61)
      set(height 37)
      set(orientation 6)
      set(scales 8)
      set(reference_options -rotate 90)
    endif()
    set(outputs "${stem}.dng")
    set(reference_commands "")
    foreach(eighths ${scales})
      list(APPEND outputs "${stem}.${eighths}.rgb")
      list(APPEND reference_commands
        COMMAND sh -c "\"$0\" -scale $1/8 -pnm \"$2\" > \"$3\""
          ${VELLORA_DJPEG} ${eighths} "${stem}.dng.thumb.jpg" "${stem}.${eighths}.ppm"
        COMMAND ${VELLORA_MAGICK_CONVERT} "${stem}.${eighths}.ppm" ${reference_options} -depth 8
          "RGB:${stem}.${eighths}.rgb")
    endforeach()
    add_custom_command(OUTPUT ${outputs}
      COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
      COMMAND ${VELLORA_MAGICK_CONVERT} -size ${size} "gradient:rgb(230,60,20)-rgb(20,80,230)"
        -quality 92 "${stem}.preview.jpg"
      COMMAND "${VELLORA_MAKE_DNG}" "${stem}.dng" "${stem}.preview.jpg" ${width} ${height} ${orientation}
      COMMAND ${CMAKE_COMMAND} -E rm -f "${stem}.dng.thumb.jpg"
      COMMAND ${VELLORA_SIMPLE_DCRAW} -e "${stem}.dng"
      ${reference_commands}
      DEPENDS "${VELLORA_MAKE_DNG}"
      COMMENT "Writing test image raw-${kind}.dng" VERBATIM)
    list(APPEND VELLORA_RAW_TEST_IMAGES ${outputs})
  endforeach()
  add_custom_target(vellora_raw_test_images DEPENDS ${VELLORA_RAW_TEST_IMAGES})
  add_dependencies(decode_image_file_test vellora_raw_test_images)
endif()
