# Runs an example script as the README tells a new user to: the fixture
# level is written into a fresh folder, then the host runs the script there
# with the engine's log on. The run must end with status 0, print a line
# matching each expected pattern (a list), and log no file it could not open
# ("cannot open ...") and no failed device call ("DXError if ...").
# Optional checks:
#   EMPTY_EXPECT  patterns for standard error when the script runs over an
#                 empty game root, where it must end with status 1
#   LIMIT_EXPECT  patterns for the output when SetLevelTime gives 5 seconds
#                 whatever the script asks for
#   CAR_FILE      a file of the player's car in the fixture (a game path
#                 with "/"): without it the script must end as over an
#                 empty game root (EMPTY_EXPECT)
# Invoked as:
#   cmake -DHOST=... -DLEVEL_TOOL=... -DROOT=... -DSCRIPT=... -DEXPECT=...
#         [-DEMPTY_EXPECT=...] [-DLIMIT_EXPECT=...] [-DCAR_FILE=...] -P RunExample.cmake

# Fails unless each pattern starts a line of the text.
function(expect_lines text patterns what)
  foreach(pattern ${patterns})
    if(NOT text MATCHES "(^|\n)${pattern}")
      message(FATAL_ERROR "${SCRIPT} ${what} no line like \"${pattern}\"")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${ROOT})
if(EMPTY_EXPECT)
  file(MAKE_DIRECTORY ${ROOT})
  execute_process(COMMAND ${HOST} --data ${ROOT} ${SCRIPT}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  message("${errors}")
  if(NOT result EQUAL 1)
    message(FATAL_ERROR "${SCRIPT} over an empty game root ended with ${result}, not 1")
  endif()
  expect_lines("${errors}" "${EMPTY_EXPECT}" "over an empty game root printed")
  file(REMOVE_RECURSE ${ROOT})
endif()

execute_process(COMMAND ${LEVEL_TOOL} ${ROOT} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "the fixture level could not be written (${made})")
endif()
execute_process(COMMAND ${HOST} --log --data ${ROOT} ${SCRIPT}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE log)
message("${output}")
if(NOT result EQUAL 0)
  message("${log}")
  message(FATAL_ERROR "${SCRIPT} failed (${result})")
endif()
expect_lines("${output}" "${EXPECT}" "printed")
string(REGEX MATCHALL "(^|\n)(cannot open |DXError if )[^\n]*" faults "${log}")
if(faults)
  string(REPLACE ";" "" faults "${faults}")
  message(FATAL_ERROR "${SCRIPT} logged missing files or failed device calls:${faults}")
endif()

if(LIMIT_EXPECT)
  set(wrapper ${ROOT}/short_limit.lua)
  file(WRITE ${wrapper} "local setLimit = SetLevelTime\nSetLevelTime = function() setLimit(5) end\ndofile((...))\n")
  execute_process(COMMAND ${HOST} --data ${ROOT} ${wrapper} ${SCRIPT}
    RESULT_VARIABLE result OUTPUT_VARIABLE output)
  message("${output}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${SCRIPT} with a time limit of 5 seconds failed (${result})")
  endif()
  expect_lines("${output}" "${LIMIT_EXPECT}" "with a time limit of 5 seconds printed")
endif()

if(CAR_FILE)
  file(REMOVE ${ROOT}/${CAR_FILE})
  execute_process(COMMAND ${HOST} --data ${ROOT} ${SCRIPT}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 1)
    message("${output}")
    message(FATAL_ERROR "${SCRIPT} without ${CAR_FILE} ended with ${result}, not 1")
  endif()
  expect_lines("${errors}" "${EMPTY_EXPECT}" "without ${CAR_FILE} printed")
endif()
file(REMOVE_RECURSE ${ROOT})
