# Runs the scripts of one folder in name order, each in its own run of the
# headless host, all in one game root that is emptied before the first: what
# one run saves, the next run finds.
# Invoked as: cmake -DHOST=... -DROOT=... -DFOLDER=... -P RunSequence.cmake
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT})
file(GLOB scripts ${FOLDER}/*.lua)
list(SORT scripts)
foreach(script ${scripts})
  execute_process(COMMAND ${HOST} --data ${ROOT} ${script} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${script} failed (${result})")
  endif()
endforeach()
