# kestu (libkestu.so): the engine, one target per engine folder.
#
# Every folder's CMakeLists.txt is one call:
#     kestu_engine_folder(NAME texture USES core)
# Its sources (every .cpp below it) build with the platform's and the companion
# library's public headers and two views made for the folder:
#  - its exported headers: those of include/ that belong to the folder or to a
#    folder before it (cmake/KestuHeaderOwners.cmake says which folder owns
#    which header), so core cannot include a billboard's header;
#  - its private headers: the folder itself and the folders it USES, so a
#    source writes "texture/manager/TexManager.h" or "core/device/GfxD3DApp.h"
#    and can reach nothing else.
# Platform internals, companion internals, undeclared folders and the
# exported headers of later folders stay out of reach. A folder without
# sources adds nothing.

# Layer order: a folder may only USE folders listed before it.
set(KESTU_ENGINE_FOLDERS core 2DCore texture text model meshani effects terrain)
include(${CMAKE_CURRENT_LIST_DIR}/KestuHeaderOwners.cmake)

# Checks the owner table against include/: every header has exactly one owner,
# and a header includes only exported headers its owner may see.
function(kestu_check_header_owners)
  set(dir ${PROJECT_SOURCE_DIR}/include)
  set(place 0)
  foreach(folder IN LISTS KESTU_ENGINE_FOLDERS)
    foreach(header IN LISTS KESTU_HEADERS_${folder})
      if(DEFINED owner_${header})
        message(FATAL_ERROR "include/${header} has two owners in cmake/KestuHeaderOwners.cmake")
      endif()
      if(NOT EXISTS ${dir}/${header})
        message(FATAL_ERROR "cmake/KestuHeaderOwners.cmake lists include/${header}, which does not exist")
      endif()
      set(owner_${header} ${place})
    endforeach()
    math(EXPR place "${place} + 1")
  endforeach()
  file(GLOB headers RELATIVE ${dir} CONFIGURE_DEPENDS ${dir}/*.h)
  foreach(header IN LISTS headers)
    if(NOT DEFINED owner_${header})
      message(FATAL_ERROR "include/${header} has no owning folder in cmake/KestuHeaderOwners.cmake")
    endif()
    file(STRINGS ${dir}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" used "${line}")
      if(DEFINED owner_${used} AND owner_${used} GREATER owner_${header})
        list(GET KESTU_ENGINE_FOLDERS ${owner_${header}} mine)
        list(GET KESTU_ENGINE_FOLDERS ${owner_${used}} theirs)
        message(FATAL_ERROR "include/${header} (${mine}) includes ${used}, which belongs to the later folder ${theirs}")
      endif()
    endforeach()
  endforeach()
endfunction()
kestu_check_header_owners()

# Replaces the symbolic links in <view> with links to <targets...>.
function(kestu_link_view view)
  file(MAKE_DIRECTORY ${view})
  file(GLOB old LIST_DIRECTORIES true ${view}/*)
  foreach(link IN LISTS old)
    if(IS_SYMLINK ${link})
      file(REMOVE ${link})
    endif()
  endforeach()
  foreach(target IN LISTS ARGN)
    get_filename_component(leaf ${target} NAME)
    file(CREATE_LINK ${target} ${view}/${leaf} SYMBOLIC)
  endforeach()
endfunction()

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

  # The folder's private view: links to itself and what it uses, nothing else.
  set(view ${PROJECT_BINARY_DIR}/folder-includes/${name})
  set(dirs)
  foreach(dir IN ITEMS ${name} ${F_USES})
    list(APPEND dirs ${PROJECT_SOURCE_DIR}/${dir})
  endforeach()
  kestu_link_view(${view} ${dirs})
  # The folder's own tests include its private headers through the same view.
  add_library(kestu_${name}_private INTERFACE)
  target_include_directories(kestu_${name}_private INTERFACE ${view})
  # Its exported view: the headers of include/ owned by it or a folder before it.
  # A header found here includes its neighbours from here too, so a header that
  # pulls in a later folder's header is refused as well.
  set(public_view ${PROJECT_BINARY_DIR}/folder-headers/${name})
  set(visible)
  foreach(folder IN LISTS KESTU_ENGINE_FOLDERS)
    foreach(header IN LISTS KESTU_HEADERS_${folder})
      list(APPEND visible ${PROJECT_SOURCE_DIR}/include/${header})
    endforeach()
    if(folder STREQUAL name)
      break()
    endif()
  endforeach()
  kestu_link_view(${public_view} ${visible})

  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(kestu_${name} OBJECT ${sources})
  target_include_directories(kestu_${name} PRIVATE ${public_view})
  target_link_libraries(kestu_${name} PRIVATE kestu_platform_headers kestu_companion_headers kestu_${name}_private)
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
