# The checker's table of findings, made from check/diagnostics.json when the build is
# configured (and again whenever the file or its script changes). Every build of the checker
# includes this file and adds MOXA_DIAGNOSTICS_INCLUDE to its include directories.
set(MOXA_DIAGNOSTICS_INCLUDE ${PROJECT_BINARY_DIR}/generated)
execute_process(
  COMMAND ${CMAKE_COMMAND} -DVSTUP=${PROJECT_SOURCE_DIR}/check/diagnostics.json
          -DVYSTUP=${MOXA_DIAGNOSTICS_INCLUDE}/check/diagnostics_data.hpp
          -P ${PROJECT_SOURCE_DIR}/check/diagnostics.cmake
  RESULT_VARIABLE moxa_diagnostics_status)
if(NOT moxa_diagnostics_status EQUAL 0)
  message(FATAL_ERROR "check/diagnostics.json could not be turned into C++")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/check/diagnostics.json
             ${PROJECT_SOURCE_DIR}/check/diagnostics.cmake)
