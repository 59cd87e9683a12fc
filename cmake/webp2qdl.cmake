# libwebp's decoder and demux libraries, built from Debian's source package
# with this tree's compilers through libwebp's own CMake build: the viewer
# decodes WebP files with them, and so does the converter, whose
# decode-and-write code sits on top.
# Windows: WebP2QDL_only1stframe.exe in Utilities-WebP/ beside Vellora.exe.
# Native: the program webp2qdl for the tests and benchmarks, and the fuzz
# target's library.
include(ExternalProject)
include(cmake/library_build_command.cmake)

# Every library follows this layout: built under ${CMAKE_BINARY_DIR}/NAME from
# Debian's source unpacked in NAME/source, whose debian/copyright
# scripts/package ships as the library's notice. A linked archive that maps
# to no copyright file stops the packaging.
set(VELLORA_LIBWEBP_DIR "${CMAKE_BINARY_DIR}/libwebp")
set(VELLORA_LIBWEBP_SOURCE "${VELLORA_LIBWEBP_DIR}/source")
set(VELLORA_LIBWEBP_BUILD "${VELLORA_LIBWEBP_DIR}/build")

set(libwebp_c_flags "")
if(VELLORA_SANITIZE)
  # The same instrumentation as the project's own code, so the fuzzer sees
  # inside the decoder and the sanitizers check it.
  set(libwebp_c_flags "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g")
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    string(APPEND libwebp_c_flags " -fsanitize=fuzzer-no-link")
  endif()
endif()
set(libwebp_toolchain "")
if(CMAKE_TOOLCHAIN_FILE)
  set(libwebp_toolchain "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()

vellora_library_build_command(libwebp_build webpdecoder webpdemux)
ExternalProject_Add(libwebp_debian
  PREFIX "${VELLORA_LIBWEBP_DIR}"
  SOURCE_DIR "${VELLORA_LIBWEBP_SOURCE}"
  BINARY_DIR "${VELLORA_LIBWEBP_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" libwebp "${VELLORA_LIBWEBP_SOURCE}" webp
  CMAKE_ARGS
    ${libwebp_toolchain}
    -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_C_FLAGS=${libwebp_c_flags}"
    -DCMAKE_OPTIMIZE_DEPENDENCIES=ON
    -DBUILD_SHARED_LIBS=OFF
    -DWEBP_USE_THREAD=OFF
    -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_WEBPMUX=OFF
    -DWEBP_BUILD_EXTRAS=OFF
  # Only the two libraries the converter links, not the encoder.
  BUILD_COMMAND ${libwebp_build}
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${VELLORA_LIBWEBP_BUILD}/libwebpdemux.a" "${VELLORA_LIBWEBP_BUILD}/libwebpdecoder.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

add_library(vellora_libwebp INTERFACE)
add_dependencies(vellora_libwebp libwebp_debian)
target_include_directories(vellora_libwebp INTERFACE "${VELLORA_LIBWEBP_SOURCE}/src")
target_link_libraries(vellora_libwebp INTERFACE
  "${VELLORA_LIBWEBP_BUILD}/libwebpdemux.a" "${VELLORA_LIBWEBP_BUILD}/libwebpdecoder.a")

# The portable decoders (src/decode/) include libwebp's headers.
if(WIN32)
  set(libwebp_user vellora_platform)
else()
  set(libwebp_user vellora_core)
endif()
target_link_libraries(${libwebp_user} PUBLIC vellora_libwebp)
add_dependencies(${libwebp_user} libwebp_debian)

set(VELLORA_WEBP2QDL_DIR "${CMAKE_SOURCE_DIR}/tools/webp2qdl")
add_library(webp2qdl_convert STATIC "${VELLORA_WEBP2QDL_DIR}/webp_to_qdl.cpp")
target_include_directories(webp2qdl_convert PUBLIC "${VELLORA_WEBP2QDL_DIR}")

if(WIN32)
  target_link_libraries(webp2qdl_convert PUBLIC vellora_platform)
  add_executable(WebP2QDL_only1stframe "${VELLORA_WEBP2QDL_DIR}/webp2qdl_main_win32.cpp"
                 "${VELLORA_WEBP2QDL_DIR}/webp2qdl.rc")
  target_include_directories(WebP2QDL_only1stframe PRIVATE "${CMAKE_SOURCE_DIR}/src/resources")
  set_source_files_properties("${VELLORA_WEBP2QDL_DIR}/webp2qdl.rc" PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/src/resources/version.h;${CMAKE_SOURCE_DIR}/src/resources/version_info.rc")
  target_link_libraries(WebP2QDL_only1stframe PRIVATE webp2qdl_convert)
  target_link_options(WebP2QDL_only1stframe PRIVATE -municode)
  set_target_properties(WebP2QDL_only1stframe PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/Utilities-WebP")
  # Building the viewer puts the converter beside it, where it looks.
  add_dependencies(Vellora WebP2QDL_only1stframe)
else()
  target_link_libraries(webp2qdl_convert PUBLIC vellora_core)
  add_executable(webp2qdl "${VELLORA_WEBP2QDL_DIR}/webp2qdl_native.cpp")
  target_link_libraries(webp2qdl PRIVATE webp2qdl_convert)
  if(TARGET webp_fuzz)
    target_link_libraries(webp_fuzz PRIVATE webp2qdl_convert)
  endif()
endif()

# The Windows tests decode WebP pictures of the bands and of alpha.png, and
# run the real converter on the bands.
if(WIN32 AND TARGET decode_image_file_test)
  find_program(VELLORA_CWEBP cwebp REQUIRED)
  set(images "")
  foreach(name bands alpha)
    set(image "${VELLORA_TEST_IMAGES_DIR}/${name}.webp")
    add_custom_command(OUTPUT "${image}"
      COMMAND ${VELLORA_CWEBP} -quiet -lossless -exact "${VELLORA_TEST_IMAGES_DIR}/${name}.png" -o "${image}"
      DEPENDS "${VELLORA_TEST_IMAGES_DIR}/${name}.png"
      COMMENT "Writing test image ${name}.webp" VERBATIM)
    list(APPEND images "${image}")
  endforeach()
  add_custom_target(vellora_test_webp DEPENDS ${images})
  add_dependencies(vellora_test_webp vellora_test_images)
  add_dependencies(decode_image_file_test vellora_test_webp WebP2QDL_only1stframe)
endif()
