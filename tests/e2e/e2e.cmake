# End-to-end cases: each runs the built program in a fresh directory and compares its
# output, exit status and the files it leaves (tests/e2e/cases.py holds the cases).
# The Windows build runs the same cases under its emulator, except those whose file
# names Windows cannot hold.
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(WARNING "No Python 3 interpreter: the end-to-end cases are not registered")
  return()
endif()

set(_e2e_dir ${CMAKE_CURRENT_LIST_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_e2e_dir}/cases.py ${_e2e_dir}/corpus_cases.py ${_e2e_dir}/page_template.py
             ${_e2e_dir}/run_case.py)

if(CMAKE_CROSSCOMPILING)
  set(_e2e_platform windows)
  set(_e2e_prefix e2e.wine.)
  set(_e2e_runner)
  foreach(_word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
    list(APPEND _e2e_runner "--runner=${_word}")
  endforeach()
else()
  set(_e2e_platform posix)
  set(_e2e_prefix e2e.)
  set(_e2e_runner)
endif()

execute_process(
  COMMAND ${Python3_EXECUTABLE} ${_e2e_dir}/run_case.py --list --platform ${_e2e_platform}
  OUTPUT_VARIABLE _e2e_cases
  RESULT_VARIABLE _e2e_result)
if(NOT _e2e_result EQUAL 0)
  message(FATAL_ERROR "Listing the end-to-end cases failed (${_e2e_result})")
endif()
string(STRIP "${_e2e_cases}" _e2e_cases)
string(REPLACE "\n" ";" _e2e_cases "${_e2e_cases}")

foreach(_case IN LISTS _e2e_cases)
  add_test(NAME ${_e2e_prefix}${_case}
           COMMAND ${Python3_EXECUTABLE} ${_e2e_dir}/run_case.py
                   --binary $<TARGET_FILE:tarnwick> --platform ${_e2e_platform}
                   ${_e2e_runner} --state-dir ${CMAKE_CURRENT_BINARY_DIR}/e2e-state
                   --case ${_case})
  set_tests_properties(${_e2e_prefix}${_case} PROPERTIES
                       SKIP_RETURN_CODE 77
                       ENVIRONMENT "LC_ALL=C"
                       LABELS e2e)
endforeach()
