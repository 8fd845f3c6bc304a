# The page the program writes, proven in a browser: Debian's Chromium driven by
# playwright-core (package.json at the repository root; `npm ci` installs it).
# Each suite runs the built program on its plans in a fresh directory. Without
# Chromium, node or node_modules the suites print a line starting with SKIPPED
# and CTest counts them as skipped; TARNWICK_REQUIRE_BROWSER=1 in the test
# environment makes that a failure. The example plans are also checked without
# a browser: each must pass validation and give its page.
if(CMAKE_CROSSCOMPILING)
  message(STATUS "Browser tests: not registered for a cross-build (its pages are the same bytes)")
  return()
endif()

set(_browser_dir ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(_browser_root ${_browser_dir}/../.. ABSOLUTE)

file(GLOB _browser_examples CONFIGURE_DEPENDS ${_browser_root}/examples/*.lst)
foreach(_plan IN LISTS _browser_examples)
  get_filename_component(_name ${_plan} NAME_WE)
  add_test(NAME examples.${_name}
           COMMAND ${CMAKE_COMMAND} -DBINARY=$<TARGET_FILE:tarnwick> -DPLAN=${_plan}
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/examples-work/${_name}
                   -P ${_browser_dir}/check_example.cmake)
  set_tests_properties(examples.${_name} PROPERTIES ENVIRONMENT "LC_ALL=C" LABELS examples)
endforeach()

find_program(TARNWICK_NODE NAMES node nodejs DOC "Node.js, which runs the browser tests")
if(NOT TARNWICK_NODE)
  message(STATUS "Browser tests: no node found; they will print SKIPPED (install Node.js and "
                 "configure again)")
elseif(NOT EXISTS /usr/bin/chromium OR NOT EXISTS ${_browser_root}/node_modules/playwright-core)
  message(STATUS "Browser tests: /usr/bin/chromium or node_modules/playwright-core missing now; "
                 "they will print SKIPPED unless both are there when they run "
                 "(apt-get install chromium; npm ci)")
endif()

foreach(_suite IN ITEMS page hostile examples)
  if(TARNWICK_NODE)
    add_test(NAME browser.${_suite}
             COMMAND ${TARNWICK_NODE} ${_browser_dir}/${_suite}.test.js
                     --binary $<TARGET_FILE:tarnwick>
             WORKING_DIRECTORY ${_browser_root})
    set_tests_properties(browser.${_suite} PROPERTIES SKIP_RETURN_CODE 77)
  else()
    add_test(NAME browser.${_suite} COMMAND ${CMAKE_COMMAND} -P ${_browser_dir}/no_node.cmake)
    set_tests_properties(browser.${_suite} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:")
  endif()
  set_tests_properties(browser.${_suite} PROPERTIES TIMEOUT 300 LABELS browser)
endforeach()
