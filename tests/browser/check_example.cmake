# Runs the program on one example plan in a fresh directory: the plan must pass
# validation without a warning and leave its page, and only its page, behind.
#   cmake -DBINARY=... -DPLAN=.../name.lst -DWORK=<scratch dir> -P check_example.cmake
get_filename_component(_name ${PLAN} NAME_WE)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${PLAN} DESTINATION ${WORK})
execute_process(COMMAND ${BINARY} ${_name}.lst
                WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE _status
                OUTPUT_VARIABLE _output
                ERROR_VARIABLE _output)
message("${_output}")
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "${_name}.lst: exit status ${_status}")
endif()
if(_output MATCHES "Warning:|Invalid")
  message(FATAL_ERROR "${_name}.lst: the program warned about the plan")
endif()
if(NOT _output MATCHES "Visualizatin Script ${_name}\\.htm has been Created\\.")
  message(FATAL_ERROR "${_name}.lst: no page reported")
endif()
file(GLOB _left RELATIVE ${WORK} ${WORK}/*)
list(SORT _left)
if(NOT _left STREQUAL "${_name}.htm;${_name}.lst")
  message(FATAL_ERROR "${_name}.lst: left behind: ${_left}")
endif()
file(REMOVE_RECURSE ${WORK})
