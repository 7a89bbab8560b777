# Installs the build into a scratch prefix, runs the installed tool, then
# configures, builds and runs a client that finds the engine with
# find_package(Kestu) and pkg-config.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
# The installed tool starts on the installed libraries alone.
file(WRITE ${WORK_DIR}/item.txt "item")
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
                        ${prefix}/bin/kestu-pack create ${WORK_DIR}/check.kidx 5:docs/item.txt=${WORK_DIR}/item.txt
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "the installed kestu-pack failed: ${rc} ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${prefix}/bin/kestu-pack list ${WORK_DIR}/check.kidx
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT out STREQUAL "5\t4\tdocs/item.txt\n")
  message(FATAL_ERROR "the installed kestu-pack lists '${out}': ${rc} ${err}")
endif()

file(COPY ${SOURCE_DIR}/CMakeLists.txt DESTINATION ${WORK_DIR}/client)
configure_file(${SOURCE_DIR}/main.cpp.in ${WORK_DIR}/client/main.cpp COPYONLY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK_DIR}/client -B ${WORK_DIR}/client/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX}
                        "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}"
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "configuring the client failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/client/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "building the client failed: ${rc}")
endif()
execute_process(COMMAND ${WORK_DIR}/client/build/install_client RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "the client failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
                        pkg-config --cflags --libs kestu RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(rc OR NOT out MATCHES "-lkestu")
  message(FATAL_ERROR "pkg-config does not find the engine: ${out}")
endif()
message(STATUS "install check passed")
