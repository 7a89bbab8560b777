# kestu (libkestu.so): the engine, one target per engine folder.
#
# Every folder's CMakeLists.txt is one call:
#     kestu_engine_folder(NAME texture USES core)
# Its sources (every .cpp below it) build with include/ (the exported headers),
# the platform's and the companion library's public headers, and a view that
# holds only the folder itself and the folders it USES, so a source writes
# "texture/manager/TexManager.h" or "core/device/GfxD3DApp.h" and can reach
# nothing else: platform internals, companion internals and undeclared
# folders stay out of reach. A folder without sources adds nothing.

# What every engine folder and every client sees.
add_library(kestu_headers INTERFACE)
target_include_directories(kestu_headers INTERFACE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(kestu_headers INTERFACE kestu_platform_headers kestu_companion_headers)

# Layer order: a folder may only USE folders listed before it.
set(KESTU_ENGINE_FOLDERS core 2DCore texture text model meshani effects terrain)

function(kestu_engine_folder)
  cmake_parse_arguments(F "" "NAME" "USES" ${ARGN})
  set(name ${F_NAME})
  list(FIND KESTU_ENGINE_FOLDERS ${name} own)
  foreach(used IN LISTS F_USES)
    list(FIND KESTU_ENGINE_FOLDERS ${used} at)
    if(at LESS 0 OR at GREATER_EQUAL own)
      message(FATAL_ERROR "${name} may only use engine folders below it, not ${used}")
    endif()
  endforeach()

  # The folder's include view: links to itself and what it uses, nothing else.
  set(view ${PROJECT_BINARY_DIR}/folder-includes/${name})
  file(MAKE_DIRECTORY ${view})
  file(GLOB old LIST_DIRECTORIES true ${view}/*)
  foreach(link IN LISTS old)
    if(IS_SYMLINK ${link})
      file(REMOVE ${link})
    endif()
  endforeach()
  foreach(dir IN ITEMS ${name} ${F_USES})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${view}/${dir} SYMBOLIC)
  endforeach()
  # The folder's own tests include its private headers through the same view.
  add_library(kestu_${name}_private INTERFACE)
  target_include_directories(kestu_${name}_private INTERFACE ${view})

  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(kestu_${name} OBJECT ${sources})
  target_link_libraries(kestu_${name} PRIVATE kestu_headers kestu_${name}_private)
  kestu_strict(kestu_${name})
  set_property(GLOBAL APPEND PROPERTY KESTU_ENGINE_OBJECTS kestu_${name})
endfunction()

foreach(folder IN LISTS KESTU_ENGINE_FOLDERS)
  add_subdirectory(${folder})
endforeach()
get_property(engine_objects GLOBAL PROPERTY KESTU_ENGINE_OBJECTS)

kestu_layer_libraries(NAME kestu EXPORT_NAME kestu OBJECTS ${engine_objects}
  INCLUDE ${PROJECT_SOURCE_DIR}/include INSTALL_INCLUDE kestu
  PUBLIC kestu_platform kestu_companion STATIC_PUBLIC kestu_platform_static kestu_companion_static)
