# Install rules, the CMake package (find_package(Kestu) -> Kestu::kestu) and a
# pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS kestu kestu_platform kestu_companion EXPORT KestuTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestu FILES_MATCHING PATTERN "*.h")
install(DIRECTORY platform/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestu/platform FILES_MATCHING PATTERN "*.h")
install(DIRECTORY companion/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestu/companion FILES_MATCHING PATTERN "*.h")

install(EXPORT KestuTargets NAMESPACE Kestu:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kestu)
configure_package_config_file(cmake/KestuConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KestuConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kestu)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KestuConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KestuConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/KestuConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kestu)

configure_file(cmake/kestu.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kestu.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kestu.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
