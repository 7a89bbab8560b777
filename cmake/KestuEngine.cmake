# kestu (libkestu.so): the engine. Built from the engine folders once they hold
# sources; until then Kestu::kestu carries the platform and companion libraries.
kestu_glob_sources(engine_sources core 2DCore texture model meshani effects terrain)

if(engine_sources)
  add_library(kestu SHARED ${engine_sources})
  target_include_directories(kestu
    PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kestu>
    PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(kestu PUBLIC kestu_platform kestu_companion)
  kestu_strict(kestu)
else()
  add_library(kestu INTERFACE)
  target_include_directories(kestu INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kestu>)
  target_link_libraries(kestu INTERFACE kestu_platform kestu_companion)
endif()
add_library(Kestu::kestu ALIAS kestu)
