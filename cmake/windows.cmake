# Windows build: Vellora.exe and the Windows-side test programs.
enable_language(RC)
add_compile_options(-Wall -Wextra)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# Every function and object in a section of its own, so that the shipped
# programs' links drop what nothing calls.
add_compile_options(-ffunction-sections -fdata-sections)
# One self-contained exe: no MinGW runtime DLLs next to it.
add_link_options(-static -static-libgcc -static-libstdc++)

set(VELLORA_WINDOWS_LIBS gdiplus windowscodecs ole32 oleaut32 uuid mscms comdlg32
    shell32 user32 gdi32 advapi32 comctl32 synchronization)

# On Windows the portable core and the platform layer form one library: the
# core calls a few platform functions (file opening) that the _win32 files
# provide.
set(VELLORA_ENTRY_SOURCE "${CMAKE_SOURCE_DIR}/src/app/entry_win32.cpp")
set(VELLORA_PLATFORM_SOURCES ${VELLORA_WINDOWS_SOURCES})
list(REMOVE_ITEM VELLORA_PLATFORM_SOURCES ${VELLORA_ENTRY_SOURCE})
add_library(vellora_platform STATIC ${VELLORA_PORTABLE_SOURCES} ${VELLORA_PLATFORM_SOURCES})
target_include_directories(vellora_platform PUBLIC "${CMAKE_SOURCE_DIR}/src")
target_link_libraries(vellora_platform PUBLIC ${VELLORA_WINDOWS_LIBS})

# The icon is drawn by a small host program at build time.
set(VELLORA_ICON "${CMAKE_BINARY_DIR}/resources/vellora.ico")
add_custom_command(
  OUTPUT "${VELLORA_ICON}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/resources"
  COMMAND c++ -std=c++17 -O2 -o "${CMAKE_BINARY_DIR}/resources/make_icon"
          "${CMAKE_SOURCE_DIR}/src/resources/make_icon.cpp"
  COMMAND "${CMAKE_BINARY_DIR}/resources/make_icon" "${VELLORA_ICON}"
  DEPENDS "${CMAKE_SOURCE_DIR}/src/resources/make_icon.cpp"
  COMMENT "Drawing the application icon")
# So are the three overlay button images.
set(VELLORA_BUTTON_IMAGES "${CMAKE_BINARY_DIR}/resources/next_button.bmp"
    "${CMAKE_BINARY_DIR}/resources/prev_button.bmp" "${CMAKE_BINARY_DIR}/resources/close_button.bmp")
add_custom_command(
  OUTPUT ${VELLORA_BUTTON_IMAGES}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/resources"
  COMMAND c++ -std=c++17 -O2 -o "${CMAKE_BINARY_DIR}/resources/make_buttons"
          "${CMAKE_SOURCE_DIR}/src/resources/make_buttons.cpp"
  COMMAND "${CMAKE_BINARY_DIR}/resources/make_buttons" "${CMAKE_BINARY_DIR}/resources"
  DEPENDS "${CMAKE_SOURCE_DIR}/src/resources/make_buttons.cpp"
  COMMENT "Drawing the overlay button images")
set_source_files_properties("${CMAKE_SOURCE_DIR}/src/resources/vellora.rc" PROPERTIES
  OBJECT_DEPENDS "${VELLORA_ICON};${VELLORA_BUTTON_IMAGES};${CMAKE_SOURCE_DIR}/src/resources/vellora.manifest;${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/src/resources/version.h;${CMAKE_SOURCE_DIR}/src/resources/version_info.rc")

add_executable(Vellora WIN32 ${VELLORA_ENTRY_SOURCE} "${CMAKE_SOURCE_DIR}/src/resources/vellora.rc")
target_include_directories(Vellora PRIVATE "${CMAKE_BINARY_DIR}/resources" "${CMAKE_SOURCE_DIR}/src/resources")
target_link_libraries(Vellora PRIVATE vellora_platform)
target_link_options(Vellora PRIVATE -municode)

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# tests/win/programs/NAME.cpp: helper programs that the Windows tests start in
# place of outside programs (a converter, an editor), built as
# programs/NAME.exe beside the test programs and before them.
file(GLOB VELLORA_TEST_PROGRAMS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/win/programs/*.cpp")
set(VELLORA_TEST_PROGRAM_TARGETS "")
foreach(program_source ${VELLORA_TEST_PROGRAMS})
  get_filename_component(program_name ${program_source} NAME_WE)
  add_executable(${program_name} ${program_source})
  target_link_libraries(${program_name} PRIVATE vellora_platform)
  target_include_directories(${program_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/support")
  target_link_options(${program_name} PRIVATE -municode)
  set_target_properties(${program_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/programs")
  list(APPEND VELLORA_TEST_PROGRAM_TARGETS ${program_name})
endforeach()

# test-images/: pictures in the formats GDI+ and the imaging component decode,
# written by ImageMagick. bands.EXT is 40 x 30, its upper half rgb(200,40,40)
# and its lower half rgb(30,60,220), so that size, colours and row order can
# be checked; alpha.png is 4 x 2 of red at half opacity.
find_program(VELLORA_MAGICK_CONVERT convert REQUIRED)
set(VELLORA_TEST_IMAGES_DIR "${CMAKE_BINARY_DIR}/test-images")
set(VELLORA_TEST_IMAGES "")
foreach(extension png jpg tif gif bmp)
  set(image "${VELLORA_TEST_IMAGES_DIR}/bands.${extension}")
  # ImageMagick would store two colours with a palette; PNG24 keeps the PNG
  # in true colour, which Wine's format converter turns into any target.
  set(format "")
  if(extension STREQUAL "png")
    set(format "PNG24:")
  endif()
  add_custom_command(OUTPUT "${image}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    COMMAND ${VELLORA_MAGICK_CONVERT} -size 40x15 "xc:rgb(200,40,40)" -size 40x15 "xc:rgb(30,60,220)"
            -append +repage -depth 8 -quality 95 "${format}${image}"
    COMMENT "Writing test image bands.${extension}" VERBATIM)
  list(APPEND VELLORA_TEST_IMAGES "${image}")
endforeach()
# JPEGs for the libjpeg-turbo path: the bands at 5120 x 2880, baseline and
# progressive (decoded at a reduced scale), and at 40 x 30 in CMYK (for GDI+).
foreach(name big big-progressive cmyk)
  set(size 5120x1440)
  set(options "")
  if(name STREQUAL "big-progressive")
    set(options -interlace JPEG)
  elseif(name STREQUAL "cmyk")
    set(size 40x15)
    set(options -colorspace CMYK)
  endif()
  set(image "${VELLORA_TEST_IMAGES_DIR}/bands-${name}.jpg")
  add_custom_command(OUTPUT "${image}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    COMMAND ${VELLORA_MAGICK_CONVERT} -size ${size} "xc:rgb(200,40,40)" -size ${size} "xc:rgb(30,60,220)"
            -append +repage -depth 8 -quality 95 ${options} "${image}"
    COMMENT "Writing test image bands-${name}.jpg" VERBATIM)
  list(APPEND VELLORA_TEST_IMAGES "${image}")
endforeach()
# quadrants.EXT: red, green / blue, yellow quarters, 64 x 32 (and 3000 x 2000
# for a reduced JPEG scale), upright as stored; the tests write the
# orientation into them. The TIFF carries the tag (value 1) to be changed.
foreach(name quadrants.jpg quadrants-big.jpg quadrants-cmyk.jpg quadrants.tif quadrants.png quadrants.webp)
  set(half 32x16)
  set(options "")
  if(name STREQUAL "quadrants-big.jpg")
    set(half 1500x1000)
  elseif(name STREQUAL "quadrants-cmyk.jpg")
    set(options -colorspace CMYK)
  elseif(name STREQUAL "quadrants.tif")
    set(options -orient TopLeft)
  endif()
  set(format "")
  if(name STREQUAL "quadrants.png")
    set(format "PNG24:")
  endif()
  set(image "${VELLORA_TEST_IMAGES_DIR}/${name}")
  add_custom_command(OUTPUT "${image}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    COMMAND ${VELLORA_MAGICK_CONVERT} "(" -size ${half} "xc:rgb(220,40,40)" "xc:rgb(40,200,40)" +append ")"
            "(" -size ${half} "xc:rgb(40,40,220)" "xc:rgb(230,230,40)" +append ")" -append +repage -strip
            -depth 8 -quality 95 ${options} "${format}${image}"
    COMMENT "Writing test image ${name}" VERBATIM)
  list(APPEND VELLORA_TEST_IMAGES "${image}")
endforeach()
# quadrants-exif6.heic: the quadrants encoded by heif-enc from the JPEG with
# an APP1 segment of orientation 6 (big-endian) put in after its start; heif-enc
# copies it into an Exif item and turns nothing. The tests add the container's
# own turn.
find_program(VELLORA_HEIF_ENC heif-enc REQUIRED)
set(exif_orientation_6 "\\377\\341\\000\\042Exif\\000\\000MM\\000*\\000\\000\\000\\010\\000\\001\\001\\022\\000\\003\\000\\000\\000\\001\\000\\006\\000\\000\\000\\000\\000\\000")
set(image "${VELLORA_TEST_IMAGES_DIR}/quadrants-exif6.heic")
set(tagged "${VELLORA_TEST_IMAGES_DIR}/quadrants-exif6.jpg")
add_custom_command(OUTPUT "${image}"
  COMMAND sh -c "{ head -c 2 \"$0\"; printf '${exif_orientation_6}'; tail -c +3 \"$0\"; } > \"$1\""
          "${VELLORA_TEST_IMAGES_DIR}/quadrants.jpg" "${tagged}"
  COMMAND ${VELLORA_HEIF_ENC} -q 95 -o "${image}" "${tagged}"
  DEPENDS "${VELLORA_TEST_IMAGES_DIR}/quadrants.jpg"
  COMMENT "Writing test image quadrants-exif6.heic" VERBATIM)
list(APPEND VELLORA_TEST_IMAGES "${image}")
# A 1600 x 1200 photo-like picture, baseline and progressive, from which the
# decode test makes its hostile JPEGs.
foreach(name photo photo-progressive)
  set(options "")
  if(name STREQUAL "photo-progressive")
    set(options -interlace JPEG)
  endif()
  set(image "${VELLORA_TEST_IMAGES_DIR}/${name}.jpg")
  add_custom_command(OUTPUT "${image}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
    COMMAND ${VELLORA_MAGICK_CONVERT} -seed 7 -size 1600x1200 plasma:red-blue -quality 85 ${options} "${image}"
    COMMENT "Writing test image ${name}.jpg" VERBATIM)
  list(APPEND VELLORA_TEST_IMAGES "${image}")
endforeach()
set(image "${VELLORA_TEST_IMAGES_DIR}/alpha.png")
add_custom_command(OUTPUT "${image}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${VELLORA_TEST_IMAGES_DIR}"
  COMMAND ${VELLORA_MAGICK_CONVERT} -size 4x2 "xc:rgba(255,0,0,0.5)" "PNG32:${image}"
  COMMENT "Writing test image alpha.png" VERBATIM)
list(APPEND VELLORA_TEST_IMAGES "${image}")
add_custom_target(vellora_test_images DEPENDS ${VELLORA_TEST_IMAGES})

# tests/win/NAME_test.cpp: one program (one ctest test) per file, since every
# Wine process start costs up to seconds.
file(GLOB VELLORA_WIN_TESTS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp")
foreach(test_source ${VELLORA_WIN_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE vellora_platform GTest::gtest_main)
  target_include_directories(${test_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/win" "${CMAKE_SOURCE_DIR}/tests/support")
  add_dependencies(${test_name} vellora_test_images ${VELLORA_TEST_PROGRAM_TARGETS})
  add_test(NAME win.${test_name} COMMAND ${test_name})
  set_tests_properties(win.${test_name} PROPERTIES TIMEOUT 300)
endforeach()

# Test DNG files, written on the build machine around a JPEG preview.
set(VELLORA_MAKE_DNG "${CMAKE_BINARY_DIR}/tools/make_dng")
add_custom_command(
  OUTPUT "${VELLORA_MAKE_DNG}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/tools"
  COMMAND c++ -std=c++17 -O2 -I "${CMAKE_SOURCE_DIR}/tests/support" -o "${VELLORA_MAKE_DNG}"
          "${CMAKE_SOURCE_DIR}/tools/make_dng/make_dng.cpp"
  DEPENDS "${CMAKE_SOURCE_DIR}/tools/make_dng/make_dng.cpp" "${CMAKE_SOURCE_DIR}/tests/support/dng_writer.h"
  COMMENT "Building the test DNG writer")

# Pictures only the platform's decoders and the viewer's libraries read,
# written by ImageMagick and Debian's encoders.
set(VELLORA_E2E_PICTURES "${CMAKE_BINARY_DIR}/e2e-pictures")
add_custom_command(
  OUTPUT "${VELLORA_E2E_PICTURES}/.complete"
  COMMAND "${CMAKE_SOURCE_DIR}/tests/e2e/make_pictures.sh" "${VELLORA_E2E_PICTURES}" "${VELLORA_MAKE_DNG}"
  DEPENDS "${CMAKE_SOURCE_DIR}/tests/e2e/make_pictures.sh" "${VELLORA_MAKE_DNG}"
  COMMENT "Writing the end-to-end test pictures")
add_custom_target(e2e_pictures DEPENDS "${VELLORA_E2E_PICTURES}/.complete")

# tests/e2e/NAME_e2e.cpp: drivers that start the real Vellora.exe; they get
# the program and the pictures' directory.
file(GLOB VELLORA_E2E CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/e2e/*_e2e.cpp")
foreach(test_source ${VELLORA_E2E})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE vellora_platform GTest::gtest)
  target_include_directories(${test_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/e2e" "${CMAKE_SOURCE_DIR}/tests/support")
  target_link_options(${test_name} PRIVATE -municode)
  add_dependencies(${test_name} Vellora e2e_pictures ${VELLORA_TEST_PROGRAM_TARGETS})
  add_test(NAME e2e.${test_name} COMMAND ${test_name} $<TARGET_FILE:Vellora> "${VELLORA_E2E_PICTURES}")
  set_tests_properties(e2e.${test_name} PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endforeach()
# The start-up driver reads the programs' version resources and runs the
# download that scripts/package unpacks.
target_link_libraries(startup_e2e PRIVATE version)
set_tests_properties(e2e.startup_e2e PROPERTIES
  ENVIRONMENT "VELLORA_UNPACKED_DOWNLOAD=${CMAKE_SOURCE_DIR}/build/dist/unpacked")

# Colour management places monitor profiles in the prefix's system colour
# directory and the display profile's registry key, which other tests share.
set_tests_properties(win.colour_management_test PROPERTIES RUN_SERIAL TRUE)

# The viewer's screen preparation as a command-line tool.
add_executable(render_screen "${CMAKE_SOURCE_DIR}/tools/render_screen/render_screen_win32.cpp")
target_link_libraries(render_screen PRIVATE vellora_platform)
target_link_options(render_screen PRIVATE -municode)

# The end-to-end timing driver: key press to changed pixels.
add_executable(step_timing "${CMAKE_SOURCE_DIR}/bench/step_timing/step_timing_win32.cpp")
target_link_libraries(step_timing PRIVATE vellora_platform winmm)
target_link_options(step_timing PRIVATE -municode)

include(cmake/webp2qdl.cmake)
include(cmake/libjpeg_turbo.cmake)
include(cmake/libheif.cmake)
include(cmake/avif_test_images.cmake)
include(cmake/jxr_test_images.cmake)
include(cmake/libraw.cmake)
include(cmake/libjxl.cmake)

# A link map of each shipped program: scripts/package reads from it every
# archive and object that went in, and collects each one's licence notice.
# The shipped programs leave out unreferenced sections and go out stripped;
# their symbols stay beside them in NAME.debug (linked by name from the exe)
# for reading a crash address.
foreach(shipped Vellora WebP2QDL_only1stframe)
  target_link_options(${shipped} PRIVATE "-Wl,-Map=${CMAKE_BINARY_DIR}/${shipped}.map" -Wl,--gc-sections)
  add_custom_command(TARGET ${shipped} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${shipped}> $<TARGET_FILE_DIR:${shipped}>/${shipped}.debug
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${shipped}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${shipped}.debug $<TARGET_FILE:${shipped}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${shipped}>
    VERBATIM)
endforeach()
