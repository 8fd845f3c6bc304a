# Stands in for a browser suite where CMake found no node to run it.
if("$ENV{TARNWICK_REQUIRE_BROWSER}" STREQUAL "1")
  message(FATAL_ERROR "FAILED: browser tests required (TARNWICK_REQUIRE_BROWSER=1), but no node "
                      "was found when the build was configured")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo
                "SKIPPED: browser tests: no node was found when the build was configured")
