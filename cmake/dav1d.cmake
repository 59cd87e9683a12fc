# AV1 decoding for AVIF: dav1d from Debian's source package, built with its
# own meson build and this tree's compilers, static, the library alone (no
# tools, tests or examples). libheif links it as its AV1 decoder.
# Windows: cross-built through a meson cross file written here at configure
# time. Native (sanitizer tree): built with the sanitizer flags of the other
# libraries there, through a meson native file.
include(ExternalProject)

find_program(VELLORA_MESON meson REQUIRED)
find_program(VELLORA_NINJA NAMES ninja ninja-build REQUIRED)

set(VELLORA_DAV1D_DIR "${CMAKE_BINARY_DIR}/dav1d")
set(VELLORA_DAV1D_PREFIX "${VELLORA_DAV1D_DIR}/install")

# meson wants each program and each flag as a quoted string of an array.
function(vellora_meson_array out)
  set(items "")
  foreach(item ${ARGN})
    list(APPEND items "'${item}'")
  endforeach()
  list(JOIN items ", " joined)
  set(${out} "[${joined}]" PARENT_SCOPE)
endfunction()

set(dav1d_launcher "")
if(CMAKE_C_COMPILER_LAUNCHER)
  set(dav1d_launcher ${CMAKE_C_COMPILER_LAUNCHER})
endif()
vellora_meson_array(dav1d_c ${dav1d_launcher} ${CMAKE_C_COMPILER})
set(dav1d_flags "")
if(VELLORA_SANITIZE)
  # As libde265: AddressSanitizer for its memory accesses, and the fuzzer's
  # coverage so that the AVIF fuzz target sees into the decoder.
  set(dav1d_flags -fsanitize=address -fno-omit-frame-pointer -g)
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    list(APPEND dav1d_flags -fsanitize=fuzzer-no-link)
  endif()
endif()
vellora_meson_array(dav1d_args ${dav1d_flags})

set(dav1d_machine_file "${VELLORA_DAV1D_DIR}/machine.ini")
if(CMAKE_CROSSCOMPILING)
  string(REGEX REPLACE "gcc(-posix)?$" "gcc-ar\\1" dav1d_ar "${CMAKE_C_COMPILER}")
  file(WRITE "${dav1d_machine_file}" "[binaries]
c = ${dav1d_c}
ar = '${dav1d_ar}'
nasm = 'nasm'
pkg-config = 'false'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
")
  set(dav1d_machine_option --cross-file "${dav1d_machine_file}")
else()
  # The sanitizer flags go to the link of meson's compiler checks as well.
  file(WRITE "${dav1d_machine_file}" "[binaries]
c = ${dav1d_c}
[built-in options]
c_args = ${dav1d_args}
c_link_args = ${dav1d_args}
")
  set(dav1d_machine_option --native-file "${dav1d_machine_file}")
endif()

# The sanitizer tree checks dav1d's C code, built at -O1 like the other
# libraries there; its assembly, which the sanitizers cannot see into,
# stays out.
set(dav1d_code_options -Denable_asm=true)
if(VELLORA_SANITIZE)
  set(dav1d_code_options -Denable_asm=false -Doptimization=1)
endif()

ExternalProject_Add(dav1d_debian
  PREFIX "${VELLORA_DAV1D_DIR}"
  SOURCE_DIR "${VELLORA_DAV1D_DIR}/source"
  BINARY_DIR "${VELLORA_DAV1D_DIR}/build"
  INSTALL_DIR "${VELLORA_DAV1D_PREFIX}"
  DOWNLOAD_COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source" --suite trixie
    --version 1.5.1-1 dav1d "${VELLORA_DAV1D_DIR}/source"
  # meson sets up a build folder only once: a new configure starts afresh
  # (meson-private marks a folder as set up).
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -E rm -rf <BINARY_DIR>/meson-private
  COMMAND ${VELLORA_MESON} setup ${dav1d_machine_option}
    --buildtype=release --default-library=static --prefix=<INSTALL_DIR> --libdir=lib
    -Denable_tools=false -Denable_tests=false -Denable_examples=false -Denable_docs=false
    ${dav1d_code_options} -Dlogging=false -Dxxhash_muxer=disabled
    <BINARY_DIR> <SOURCE_DIR>
  BUILD_COMMAND ${VELLORA_NINJA} -C <BINARY_DIR>
  INSTALL_COMMAND ${VELLORA_MESON} install -C <BINARY_DIR> --no-rebuild --quiet
  BUILD_BYPRODUCTS "${VELLORA_DAV1D_PREFIX}/lib/libdav1d.a"
  LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
