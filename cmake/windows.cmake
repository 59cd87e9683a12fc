# Windows build: Vellora.exe and the Windows-side test programs.
enable_language(RC)
add_compile_options(-Wall -Wextra)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# One self-contained exe: no MinGW runtime DLLs next to it.
add_link_options(-static -static-libgcc -static-libstdc++)

set(VELLORA_WINDOWS_LIBS gdiplus windowscodecs ole32 oleaut32 uuid mscms comdlg32
    shell32 user32 gdi32 advapi32 comctl32)

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
set_source_files_properties("${CMAKE_SOURCE_DIR}/src/resources/vellora.rc" PROPERTIES
  OBJECT_DEPENDS "${VELLORA_ICON};${CMAKE_SOURCE_DIR}/src/resources/vellora.manifest")

add_executable(Vellora WIN32 ${VELLORA_ENTRY_SOURCE} "${CMAKE_SOURCE_DIR}/src/resources/vellora.rc")
target_include_directories(Vellora PRIVATE "${CMAKE_BINARY_DIR}/resources" "${CMAKE_SOURCE_DIR}/src/resources")
target_link_libraries(Vellora PRIVATE vellora_platform)
target_link_options(Vellora PRIVATE -municode)

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# tests/win/NAME_test.cpp: one program (one ctest test) per file, since every
# Wine process start costs up to seconds.
file(GLOB VELLORA_WIN_TESTS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp")
foreach(test_source ${VELLORA_WIN_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE vellora_platform GTest::gtest_main)
  target_include_directories(${test_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/win" "${CMAKE_SOURCE_DIR}/tests/support")
  add_test(NAME win.${test_name} COMMAND ${test_name})
  set_tests_properties(win.${test_name} PROPERTIES TIMEOUT 300)
endforeach()

# tests/e2e/NAME_e2e.cpp: drivers that start the real Vellora.exe.
file(GLOB VELLORA_E2E CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/e2e/*_e2e.cpp")
foreach(test_source ${VELLORA_E2E})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE GTest::gtest user32 gdi32 shell32)
  target_include_directories(${test_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/e2e")
  target_link_options(${test_name} PRIVATE -municode)
  add_dependencies(${test_name} Vellora)
  add_test(NAME e2e.${test_name} COMMAND ${test_name} $<TARGET_FILE:Vellora>)
  set_tests_properties(e2e.${test_name} PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endforeach()
include(cmake/webp2qdl.cmake)
