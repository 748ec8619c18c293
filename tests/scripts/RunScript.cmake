# Runs one script through the headless host in a fresh, empty game root, or
# in a fresh copy of the fixture level's game data when the script asks for
# it. Invoked as:
#   cmake -DHOST=... -DLEVEL_TOOL=... -DROOT=... -DSCRIPT=... -P RunScript.cmake
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT})
file(STRINGS ${SCRIPT} fixture_lines REGEX "^-- game root: fixture level$")
if(fixture_lines)
  execute_process(COMMAND ${LEVEL_TOOL} ${ROOT} RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "the fixture level could not be written (${made})")
  endif()
endif()
execute_process(COMMAND ${HOST} --data ${ROOT} ${SCRIPT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (${result})")
endif()
