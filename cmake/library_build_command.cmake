# The build step of a library's own CMake build, for ExternalProject: the
# given targets only. With make as the generator the library's make joins
# this build's job server through $(MAKE); a make started by "cmake --build"
# is cut off from the job server and compiles one file at a time, which
# left the largest libraries on one core.
include_guard(GLOBAL)

function(vellora_library_build_command out_var)
  if(CMAKE_GENERATOR MATCHES "Makefiles")
    set(${out_var} "$(MAKE)" -C <BINARY_DIR> ${ARGN} PARENT_SCOPE)
  else()
    set(${out_var} ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${ARGN} PARENT_SCOPE)
  endif()
endfunction()
