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
  # Instrumented like the project's own code, so the fuzzer sees inside.
  set(libraw_cxx_flags "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    string(APPEND libraw_cxx_flags " -fsanitize=fuzzer-no-link")
  endif()
endif()
set(libraw_args
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=Release
  "-DCMAKE_CXX_FLAGS=${libraw_cxx_flags}"
  "-DLIBRAW_SOURCE_DIR=${VELLORA_LIBRAW_DIR}/source")
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND libraw_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
if(CMAKE_CXX_COMPILER_LAUNCHER)
  list(APPEND libraw_args "-DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}")
endif()

ExternalProject_Add(libraw_debian
  PREFIX "${VELLORA_LIBRAW_DIR}"
  SOURCE_DIR "${VELLORA_LIBRAW_DIR}/source"
  BINARY_DIR "${VELLORA_LIBRAW_BUILD}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite trixie
    --version 0.21.4-2+deb13u1 --version 0.20.2-2.1+deb12u1 libraw "${VELLORA_LIBRAW_DIR}/source"
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
