# cmake -DWINE_RUN="wine_run.sh;prefix" -DHOST=tamberwick-host.exe -DDLL=Z:plugin.asi -P soak_violation.cmake
# A soak of one seed with a pass limit no plug-in meets, as a broken invariant would report:
# it fails, and each violation names the seed, the frame and the last calls; the replay line
# runs this program again under Wine with the options that reproduce the seed, and does.
cmake_minimum_required(VERSION 3.25)
set(seed_options --seeds 1 --first-seed 7000 --days 1 --frame-ms 100)
execute_process(COMMAND ${WINE_RUN} ${HOST} soak --dll ${DLL} --pass-limit-ms 1000 ${seed_options}
  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
message("${out}")
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "the soak with a broken limit exited with ${rc}, not 1")
endif()
if(NOT out MATCHES "seed 7000 frame [0-9]+ \\(day 1 [^\n]*\\): pass too long: a pass of the main loop took [0-9]+ ms\n")
  message(FATAL_ERROR "no violation line with the seed and the frame")
endif()
if(NOT out MATCHES "\n  last calls: [a-zA-Z]+(, [a-zA-Z]+)*\n")
  message(FATAL_ERROR "no last calls under the violation")
endif()
if(NOT out MATCHES "\n  replay: ([^\n]*)\n")
  message(FATAL_ERROR "no replay line")
endif()
set(replay "${CMAKE_MATCH_1}")
string(REPLACE ";" " " expected_tail "--pass-limit-ms 1000 ${seed_options}")
if(NOT replay MATCHES "wine_run\\.sh [^ ]+ [^ ]+/tamberwick-host\\.exe soak --dll [^ ]+ ${expected_tail}$")
  message(FATAL_ERROR "the replay line does not run this program under Wine with the seed's options: ${replay}")
endif()

# The replay line as a shell runs it: the same violations again.
execute_process(COMMAND sh -c "${replay}" OUTPUT_VARIABLE again RESULT_VARIABLE rc)
string(REGEX REPLACE "  wall clock[^\n]*\n" "" out "${out}")
string(REGEX REPLACE "  wall clock[^\n]*\n" "" again "${again}")
if(NOT rc EQUAL 1 OR NOT again STREQUAL out)
  message(FATAL_ERROR "the replay line did not reproduce the seed (${rc}):\n${again}")
endif()
