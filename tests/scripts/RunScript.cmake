# Runs one script through the headless host in a fresh, empty game root.
# Invoked as: cmake -DHOST=... -DROOT=... -DSCRIPT=... -P RunScript.cmake
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT})
execute_process(COMMAND ${HOST} --data ${ROOT} ${SCRIPT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (${result})")
endif()
