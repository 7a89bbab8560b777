# Helpers shared by every folder's CMakeLists.

# Warnings are errors in our own code only (never in system or generated headers).
# GCC 12 reports -Wrestrict false positives from inside libstdc++'s string
# code at -O3, so that one warning stays a warning.
function(kestu_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-error=restrict)
  endif()
endfunction()

# Collects the sources of the given folders (relative to the project root), recursively.
function(kestu_glob_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         "${PROJECT_SOURCE_DIR}/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/${dir}/*.c")
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
