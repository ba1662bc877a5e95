# cmake -DZIP=x.zip -DGAME=dir -DHOST_DIR=dir -DWINE_RUN="wine_run.sh;prefix" -DPLUGIN=name.asi
#       [-DINI=text] -DSCENARIO=name -P run_from_zip.cmake
# A game folder as a player makes it: a fresh GAME with the host (tamberwick-host.exe and the
# stand-in ScriptHookRDR2.dll from HOST_DIR), the zip unpacked into it, tamberwick.ini replaced
# by INI ("|" for line ends; NONE removes it; without INI the shipped file stays); then the
# host runs SCENARIO there against the unpacked PLUGIN.
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "${ZIP} does not exist: build the default target (or `package`) first")
endif()
file(REMOVE_RECURSE "${GAME}")
file(MAKE_DIRECTORY "${GAME}")
file(COPY "${HOST_DIR}/ScriptHookRDR2.dll" "${HOST_DIR}/tamberwick-host.exe" DESTINATION "${GAME}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${GAME} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()
if(NOT EXISTS "${GAME}/${PLUGIN}")
  message(FATAL_ERROR "${ZIP} has no ${PLUGIN} at its top")
endif()
file(GLOB plugins RELATIVE "${GAME}" "${GAME}/*.asi")
if(NOT plugins STREQUAL PLUGIN)
  message(FATAL_ERROR "${ZIP} unpacks to the plug-ins ${plugins}; expected ${PLUGIN} alone")
endif()
if(INI STREQUAL "NONE")
  file(REMOVE "${GAME}/tamberwick.ini")
elseif(DEFINED INI)
  string(REPLACE "|" "\r\n" ini "${INI}")
  file(WRITE "${GAME}/tamberwick.ini" "${ini}")
endif()

# The host loads the plug-in by its bare name from the game folder, its working directory.
execute_process(COMMAND ${WINE_RUN} ${GAME}/tamberwick-host.exe ${SCENARIO} ${PLUGIN}
  WORKING_DIRECTORY ${GAME} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${SCENARIO} against ${PLUGIN} unpacked from ${ZIP} failed (${rc})")
endif()
