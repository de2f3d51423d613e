# Runs the artwork generator again and compares its output with the file
# the build embedded.
execute_process(COMMAND ${GENERATOR} --output ${ACTUAL} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "artwork generator failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
  RESULT_VARIABLE different)
file(REMOVE ${ACTUAL})
if(different)
  message(FATAL_ERROR "artwork generator output differs between runs")
endif()
