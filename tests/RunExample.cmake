# Runs an example script as the README tells a new user to: the fixture
# level is written into a fresh folder, then the host runs the script there.
# The run must end with status 0 and print a line matching each expected
# pattern (a list). Invoked as:
#   cmake -DHOST=... -DLEVEL_TOOL=... -DROOT=... -DSCRIPT=... -DEXPECT=... -P RunExample.cmake
file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${LEVEL_TOOL} ${ROOT} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "the fixture level could not be written (${made})")
endif()
execute_process(COMMAND ${HOST} --data ${ROOT} ${SCRIPT} RESULT_VARIABLE result OUTPUT_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (${result})")
endif()
foreach(pattern ${EXPECT})
  if(NOT output MATCHES "(^|\n)${pattern}")
    message(FATAL_ERROR "${SCRIPT} printed no line like \"${pattern}\"")
  endif()
endforeach()
file(REMOVE_RECURSE ${ROOT})
