# Helpers for the packaging checks, which are CMake scripts run by CTest (cmake -P).

# Runs a command; fails the check unless it ends with the expected status. The output goes to
# <prefix>_OUT and <prefix>_ERR.
function(vantrel_run prefix expected)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${status}" STREQUAL "${expected}")
    string(REPLACE ";" " " shown "${ARGN}")
    message(FATAL_ERROR "`${shown}` ended with ${status}, not ${expected}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
  set(${prefix}_OUT "${out}" PARENT_SCOPE)
  set(${prefix}_ERR "${err}" PARENT_SCOPE)
endfunction()

# Fails the check unless text contains the fragment.
function(vantrel_expect_in text fragment what)
  string(FIND "${text}" "${fragment}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: \"${fragment}\" is missing from:\n${text}")
  endif()
endfunction()

function(vantrel_expect_not_in text fragment what)
  string(FIND "${text}" "${fragment}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${what}: \"${fragment}\" should not be in:\n${text}")
  endif()
endfunction()

# Checks the output of `vantrel-tool db info` for the world database: the last line counts the
# countries, which must be as many as the database folder holds, and a few countries are listed.
function(vantrel_expect_world_database text database what)
  file(GLOB countries "${database}/*.ewpts")
  list(LENGTH countries count)
  if(count LESS 200)
    message(FATAL_ERROR "${what}: only ${count} country files in ${database}")
  endif()
  if(NOT text MATCHES "\n([0-9]+) waypoints in ([0-9]+) countries, loaded in")
    message(FATAL_ERROR "${what}: no summary line in:\n${text}")
  endif()
  if(NOT CMAKE_MATCH_2 EQUAL count OR CMAKE_MATCH_1 LESS 40000)
    message(FATAL_ERROR "${what}: ${CMAKE_MATCH_1} waypoints in ${CMAKE_MATCH_2} countries, "
                        "but ${database} holds ${count} country files")
  endif()
  foreach(country France Switzerland Germany Brazil Australia Japan)
    if(NOT text MATCHES "(^|\n)${country} +[1-9][0-9]*\n")
      message(FATAL_ERROR "${what}: ${country} is not listed with its waypoints in:\n${text}")
    endif()
  endforeach()
endfunction()
