# Helpers shared by every folder's CMakeLists.

# Warnings are on for our own code only (never for system or generated
# headers). They become errors with KESTU_WERROR, which scripts/test.sh sets: a
# user's build must not break on a warning a newer compiler invents.
# GCC 12 reports -Wrestrict false positives from inside libstdc++'s string
# concatenation once it is inlined at -O2 and above, so that check is off there.
function(kestu_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(KESTU_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
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

# kestu_layer_libraries(NAME <name> EXPORT_NAME <n> OBJECTS <object targets...>
#                       INCLUDE <public header folder> INSTALL_INCLUDE <its install folder>
#                       PUBLIC <shared libs...> STATIC_PUBLIC <static libs...> PRIVATE <system libs...>)
# Makes the two libraries of a layer from its compiled objects:
#  - <name>, the shared library clients link: symbols hidden except what the
#    public headers mark for export, versioned with a SOVERSION;
#  - <name>_static, the same objects in an archive for the tests, benchmarks
#    and fuzz targets, which reach internals the shared library hides.
function(kestu_layer_libraries)
  cmake_parse_arguments(L "" "NAME;EXPORT_NAME;INCLUDE;INSTALL_INCLUDE" "OBJECTS;PUBLIC;STATIC_PUBLIC;PRIVATE" ${ARGN})
  set(objects)
  foreach(o IN LISTS L_OBJECTS)
    list(APPEND objects $<TARGET_OBJECTS:${o}>)
  endforeach()

  add_library(${L_NAME} SHARED ${objects})
  add_library(Kestu::${L_EXPORT_NAME} ALIAS ${L_NAME})
  set_target_properties(${L_NAME} PROPERTIES EXPORT_NAME ${L_EXPORT_NAME} LINKER_LANGUAGE CXX
                                             VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  target_include_directories(${L_NAME} PUBLIC $<BUILD_INTERFACE:${L_INCLUDE}>
                                              $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${L_INSTALL_INCLUDE}>)
  target_link_libraries(${L_NAME} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
  target_link_options(${L_NAME} PRIVATE LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/kestu-exports.map)
  set_property(TARGET ${L_NAME} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/kestu-exports.map)
  # Every symbol the library needs resolves when it is linked (a sanitizer
  # build resolves its runtime only in the executable).
  if(NOT KESTU_SANITIZE)
    target_link_options(${L_NAME} PRIVATE -Wl,--no-undefined)
  endif()

  add_library(${L_NAME}_static STATIC EXCLUDE_FROM_ALL ${objects})
  set_target_properties(${L_NAME}_static PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${L_NAME}_static PUBLIC ${L_INCLUDE})
  target_link_libraries(${L_NAME}_static PUBLIC ${L_STATIC_PUBLIC} ${L_PRIVATE})
endfunction()
