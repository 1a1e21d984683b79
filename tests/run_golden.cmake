# Runs one golden script through zorl and compares what it printed with
# what is expected:
#   NAME.zs   the script; a first line "# args: ..." adds options, a line
#             "# status: N" gives the exit status expected (default 0)
#   NAME.out  the standard output expected (none: empty)
#   NAME.err  the standard error expected (none: empty)
# The script runs in a fresh folder WORK, so that the files it writes stay
# out of the source tree.
# cmake -DZORL=... -DSCRIPT=... -DWORK=... -P run_golden.cmake
get_filename_component(name "${SCRIPT}" NAME_WE)
get_filename_component(dir "${SCRIPT}" DIRECTORY)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SCRIPT}" DESTINATION "${WORK}")

file(STRINGS "${SCRIPT}" header LIMIT_COUNT 5)
set(args "")
set(expected_status 0)
foreach(line IN LISTS header)
  if(line MATCHES "^# args: (.*)$")
    separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# status: ([0-9]+)$")
    set(expected_status ${CMAKE_MATCH_1})
  endif()
endforeach()

execute_process(
  COMMAND "${ZORL}" run "${name}.zs" ${args}
  WORKING_DIRECTORY "${WORK}"
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status)

set(failed FALSE)
foreach(stream out err)
  set(expected "")
  if(EXISTS "${dir}/${name}.${stream}")
    file(READ "${dir}/${name}.${stream}" expected)
  endif()
  if(NOT "${${stream}}" STREQUAL "${expected}")
    file(WRITE "${WORK}/actual.${stream}" "${${stream}}")
    message("${name}: standard ${stream}put differs; expected:\n${expected}"
            "---- got (${WORK}/actual.${stream}):\n${${stream}}----")
    set(failed TRUE)
  endif()
endforeach()
if(NOT "${status}" STREQUAL "${expected_status}")
  message("${name}: exit status ${status}, expected ${expected_status}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${name} failed")
endif()
