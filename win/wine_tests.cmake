# The stand-in host library, its loader, the profile-reader comparison, and the checks that
# run them under Wine. Included from win/CMakeLists.txt.

file(GLOB TW_STANDIN_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/*.cpp)
list(FILTER TW_STANDIN_HOST_SOURCES EXCLUDE REGEX "(_posix|win32_standin)\\.cpp$")

# The soak's command line, seed loop, one seed, faults, checks and report, the same files as the
# Linux soak's; they go into the stand-in, where the host's state lives.
set(TW_STANDIN_SOAK_SOURCES
  ${CMAKE_SOURCE_DIR}/sim/faults.cpp
  ${CMAKE_SOURCE_DIR}/sim/fault_injector.cpp
  ${CMAKE_SOURCE_DIR}/sim/invariants.cpp
  ${CMAKE_SOURCE_DIR}/sim/scratch_dir.cpp
  ${CMAKE_SOURCE_DIR}/sim/soak_options.cpp
  ${CMAKE_SOURCE_DIR}/sim/soak_share.cpp
  ${CMAKE_SOURCE_DIR}/sim/soak_seed.cpp
  ${CMAKE_SOURCE_DIR}/sim/soak_report.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/soak_standin.cpp)

# ScriptHookRDR2.dll as the host substitute: the nine functions under their decorated names.
add_library(scripthook_standin SHARED ${TW_STANDIN_HOST_SOURCES} ${TW_STANDIN_SOAK_SOURCES}
  ${CMAKE_CURRENT_SOURCE_DIR}/host_driver.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/scripthook_standin.def)
# Its users drive it through host_driver.h only.
target_include_directories(scripthook_standin PRIVATE ${CMAKE_SOURCE_DIR}/host ${CMAKE_SOURCE_DIR}/src
  ${CMAKE_SOURCE_DIR}/sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(scripthook_standin PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
  # A failing soak seed's replay line runs tamberwick-host again through the Wine wrapper.
  TAMBERWICK_WINE_RUN="${CMAKE_CURRENT_SOURCE_DIR}/wine_run.sh")
target_link_libraries(scripthook_standin PRIVATE version)  # the soak: which build a DLL is
target_link_options(scripthook_standin PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(scripthook_standin PROPERTIES
  PREFIX "" OUTPUT_NAME ScriptHookRDR2
  RUNTIME_OUTPUT_DIRECTORY ${TW_WINE_HOST_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/implib/standin)

# The Wine driver: its scenarios (wine_scenarios.h) and their checks; the soak is the stand-in's.
add_executable(tamberwick_host_exe
  ${CMAKE_CURRENT_SOURCE_DIR}/tamberwick_host.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/wine_scenarios.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/wine_log_scenarios.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/wine_checks.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/startup_trace.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/key_thread.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/clipboard.cpp)
target_link_libraries(tamberwick_host_exe PRIVATE scripthook_standin)
# The plug-in's facts: the game hour, the hotkeys' codes, the capture's formats.
target_include_directories(tamberwick_host_exe PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(tamberwick_host_exe PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(tamberwick_host_exe PROPERTIES OUTPUT_NAME tamberwick-host RUNTIME_OUTPUT_DIRECTORY ${TW_WINE_HOST_DIR})
add_dependencies(tamberwick_host_exe tamberwick_asi tamberwick_dev_asi)

# Our profile reader against GetPrivateProfileStringA, over the corpus in tests/ini_corpus.
add_executable(profile_compare ${CMAKE_CURRENT_SOURCE_DIR}/profile_compare.cpp ${CMAKE_SOURCE_DIR}/src/frame/profile_reader.cpp)
target_include_directories(profile_compare PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(profile_compare PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(profile_compare PROPERTIES OUTPUT_NAME profile-compare RUNTIME_OUTPUT_DIRECTORY ${TW_WINE_HOST_DIR})

# Fills tamberwick.log to its 1 MB limit and measures the file on disk.
add_executable(log_limit ${CMAKE_CURRENT_SOURCE_DIR}/log_limit.cpp)
target_link_libraries(log_limit PRIVATE scripthook_standin)
target_include_directories(log_limit PRIVATE ${CMAKE_SOURCE_DIR}/src ${TAMBERWICK_GENERATED_DIR})  # limit, commit
add_dependencies(log_limit tamberwick_commit tamberwick_asi)
target_link_options(log_limit PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(log_limit PROPERTIES OUTPUT_NAME log-limit RUNTIME_OUTPUT_DIRECTORY ${TW_WINE_HOST_DIR})

# Reads a DLL's version resource back through version.dll.
add_executable(version_check ${CMAKE_CURRENT_SOURCE_DIR}/version_check.cpp)
target_link_libraries(version_check PRIVATE version)
target_include_directories(version_check PRIVATE ${TAMBERWICK_GENERATED_DIR})  # the commit it expects
add_dependencies(version_check tamberwick_commit)
target_link_options(version_check PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(version_check PROPERTIES OUTPUT_NAME version-check RUNTIME_OUTPUT_DIRECTORY ${TW_WINE_HOST_DIR})

# ---- under Wine ------------------------------------------------------------------------
find_program(TW_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT TW_WINE)
  message(STATUS "Wine not found: the Windows programs are built but not run")
  return()
endif()

set(TW_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(TW_WINE_RUN ${CMAKE_CURRENT_SOURCE_DIR}/wine_run.sh ${TW_WINE_PREFIX})
set(TW_WINE_WORK ${CMAKE_BINARY_DIR}/wine-work)

# One fresh prefix for every run of the tier; the first boot takes the better part of a minute.
add_test(NAME win.wine.prefix COMMAND ${TW_WINE_RUN} --boot)
set_tests_properties(win.wine.prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 180 RUN_SERIAL TRUE)

function(tamberwick_wine_test name workdir)
  file(MAKE_DIRECTORY ${workdir})
  add_test(NAME win.wine.${name} COMMAND ${TW_WINE_RUN} ${ARGN} WORKING_DIRECTORY ${workdir})
  set_tests_properties(win.wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
endfunction()

set(TW_HOST_EXE $<TARGET_FILE:tamberwick_host_exe>)
set(TW_ASI Z:$<TARGET_FILE:tamberwick_asi>)
set(TW_DEV_ASI Z:$<TARGET_FILE:tamberwick_dev_asi>)

# A one-hour visit with no cooldown, read through the real GetPrivateProfileStringA.
file(MAKE_DIRECTORY ${TW_WINE_WORK}/visit-short)
file(WRITE ${TW_WINE_WORK}/visit-short/tamberwick.ini "[Settings]\r\nvisitCooldown=0\r\nvisitDuration=1\r\n")
tamberwick_wine_test(visit_short ${TW_WINE_WORK}/visit-short ${TW_HOST_EXE} visit-short ${TW_ASI})
# No tamberwick.ini: the defaults.
tamberwick_wine_test(visit_default ${TW_WINE_WORK}/visit-default ${TW_HOST_EXE} visit-default ${TW_ASI})
tamberwick_wine_test(devkeys ${TW_WINE_WORK}/devkeys ${TW_HOST_EXE} devkeys ${TW_DEV_ASI})
tamberwick_wine_test(unload ${TW_WINE_WORK}/unload ${TW_HOST_EXE} unload ${TW_ASI})
# A saved game loaded mid-visit: the stand-in deletes the script's fiber and starts it again.
tamberwick_wine_test(reload_mid_visit ${TW_WINE_WORK}/reload ${TW_HOST_EXE} reload ${TW_ASI})
# Both DLLs carry the project's version and the commit they are built from, and say which
# build they are.
tamberwick_wine_test(version_info_release ${TW_WINE_WORK}/version $<TARGET_FILE:version_check>
  ${TW_ASI} ${PROJECT_VERSION} tamberwick.asi release)
tamberwick_wine_test(version_info_dev ${TW_WINE_WORK}/version $<TARGET_FILE:version_check>
  ${TW_DEV_ASI} ${PROJECT_VERSION} tamberwick-dev.asi developer)
# What a player unpacks: the release zip into a fresh game folder beside the host library, and
# the same one-hour visit run there against the tamberwick.asi that came out of the zip.
function(tamberwick_zip_test name scenario)
  add_test(NAME win.wine.release_zip_${name}
    COMMAND ${CMAKE_COMMAND} -DZIP=${TW_RELEASE_ZIP} -DGAME=${TW_WINE_WORK}/zip-game-${name}
            -DHOST_DIR=${TW_WINE_HOST_DIR} "-DWINE_RUN=${TW_WINE_RUN}" -DPLUGIN=tamberwick.asi -DSCENARIO=${scenario}
            ${ARGN} -P ${CMAKE_CURRENT_SOURCE_DIR}/run_from_zip.cmake)
  set_tests_properties(win.wine.release_zip_${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
endfunction()
tamberwick_zip_test(visit_short visit-short "-DINI=[Settings]|visitCooldown=0|visitDuration=1|")
# The log on: a visit held back by a mission, the story and the distance, then coming and
# going, each step told once in tamberwick.log.
tamberwick_zip_test(log log-reasons "-DINI=[Settings]|visitCooldown=1|visitDuration=1|log=1|")
# The log off, however the settings file says it: as shipped (log=0), without the key, none.
tamberwick_zip_test(no_log_shipped no-log)
tamberwick_zip_test(no_log_no_key no-log "-DINI=[Settings]|visitCooldown=0|visitDuration=1|")
tamberwick_zip_test(no_log_no_file no-log -DINI=NONE)
# Both builds in one game folder: one set of visitors; the log tells of the idle copy.
file(MAKE_DIRECTORY ${TW_WINE_WORK}/two-copies)
file(WRITE ${TW_WINE_WORK}/two-copies/tamberwick.ini "[Settings]\r\nlog=1\r\n")
tamberwick_wine_test(two_copies ${TW_WINE_WORK}/two-copies ${TW_HOST_EXE} two-copies ${TW_ASI} ${TW_DEV_ASI})
# The log's 1 MB limit as Windows writes the file: at most 1,048,576 bytes on disk, every line
# ending in \r\n.
file(MAKE_DIRECTORY ${TW_WINE_WORK}/log-limit)
file(WRITE ${TW_WINE_WORK}/log-limit/tamberwick.ini "[Settings]\r\nvisitCooldown=0\r\nlog=1\r\n")
tamberwick_wine_test(log_limit ${TW_WINE_WORK}/log-limit $<TARGET_FILE:log_limit> ${TW_ASI})
tamberwick_wine_test(profile_compare ${TW_WINE_WORK}/profile
  $<TARGET_FILE:profile_compare> Z:${CMAKE_SOURCE_DIR}/tests/ini_corpus)
# The start-up, call for call and argument for argument, against the trace the Linux build
# writes (tests/golden/startup_trace.txt, held there by StartUpTrace in tamberwick_tests):
# no tamberwick.ini, the defaults; from the load to the end of the first ready pass.
tamberwick_wine_test(startup_trace ${TW_WINE_WORK}/startup-trace ${TW_HOST_EXE}
  --trace-text startup_trace.txt --expect-trace Z:${CMAKE_SOURCE_DIR}/tests/golden/startup_trace.txt
  startup ${TW_ASI})
# The fault-injection soak on the shipped libraries: the Linux soak's seeds, faults and checks,
# each seed a fresh LoadLibrary of the DLL behind the stand-in host library. The long run is
# recorded in docs/reliability.md.
tamberwick_wine_test(soak_release ${TW_WINE_WORK}/soak ${TW_HOST_EXE} soak --dll ${TW_ASI} --seeds 64 --days 3)
tamberwick_wine_test(soak_developer ${TW_WINE_WORK}/soak ${TW_HOST_EXE} soak --dll ${TW_DEV_ASI} --seeds 64 --days 3)
# A pass limit no plug-in meets stands in for a broken invariant: how a violation is reported.
add_test(NAME win.wine.soak_reports_violation
  COMMAND ${CMAKE_COMMAND} "-DWINE_RUN=${TW_WINE_RUN}" -DHOST=${TW_HOST_EXE} -DDLL=${TW_ASI}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/soak_violation.cmake)
set_tests_properties(win.wine.soak_reports_violation PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
