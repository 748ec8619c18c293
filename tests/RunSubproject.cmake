# Configures a small project that includes Veltrix with add_subdirectory,
# builds its smallest program and checks that every other target's build
# steps resolve (a dry run), so the test stays cheap. Invoked as:
#   cmake -DVELTRIX_DIR=... -DOUTER=... -DWORK=... -DGENERATOR=... -DCC=... -DCXX=... -P RunSubproject.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${OUTER} -B ${WORK} -G ${GENERATOR}
                  -DVELTRIX_DIR=${VELTRIX_DIR} -DCMAKE_C_COMPILER=${CC} -DCMAKE_CXX_COMPILER=${CXX}
                RESULT_VARIABLE configured OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring a project that includes Veltrix failed:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target veltrix-media-seeds
                RESULT_VARIABLE built OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building inside a project that includes Veltrix failed:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target veltrix-host make_fixture_level -- -n
                RESULT_VARIABLE planned OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT planned EQUAL 0)
  message(FATAL_ERROR "the programs cannot be built inside a project that includes Veltrix:\n${output}")
endif()
file(READ ${WORK}/veltrix/cmake_install.cmake install_rules)
if(install_rules MATCHES "veltrix-host")
  message(FATAL_ERROR "Veltrix installs its programs from inside another project")
endif()
file(REMOVE_RECURSE ${WORK})
