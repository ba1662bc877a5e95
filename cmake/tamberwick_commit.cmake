# cmake -DSOURCE_DIR=<checkout> -DOUT_DIR=<dir> -P tamberwick_commit.cmake
#
# The commit a build is made from, written to OUT_DIR for the log's first line and the DLLs'
# version resource (tamberwick_commit.h) and for the release zips' times (tamberwick_commit.cmake).
# Each file is rewritten only when its text changes, so an unchanged commit rebuilds nothing.
#
#   TAMBERWICK_COMMIT / TW_COMMIT  the first 12 hex digits of the commit's hash (always 12, never
#                                  git's own abbreviation, whose length grows with the objects in
#                                  the repository at hand); "-dirty" follows when tracked files
#                                  differ from the commit; "unknown" outside git
#   TW_COMMIT_TIME                 the commit's time, in seconds since 1970 (UTC); outside git
#                                  315532800, 1980-01-01, the first day a zip entry can carry
#
# "Outside git" is also a source tree that is not itself the top of a git checkout, such as an
# unpacked source archive inside some other repository: that repository's commit says nothing
# about these sources.
cmake_minimum_required(VERSION 3.25)

set(commit unknown)
set(time 315532800)
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
  if(rc EQUAL 0)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  if(rc EQUAL 0 AND top STREQUAL source)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} log -1 --format=%H%n%ct
      OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
    if(rc EQUAL 0 AND head MATCHES "^([0-9a-f]+)\n([0-9]+)$")
      string(SUBSTRING "${CMAKE_MATCH_1}" 0 12 commit)
      set(time ${CMAKE_MATCH_2})
      # GIT_OPTIONAL_LOCKS=0: a build only looks, it never rewrites the checkout's index.
      execute_process(COMMAND ${CMAKE_COMMAND} -E env GIT_OPTIONAL_LOCKS=0
                              ${GIT} -C ${SOURCE_DIR} status --porcelain --untracked-files=no
        OUTPUT_VARIABLE changes RESULT_VARIABLE rc ERROR_QUIET)
      if(NOT rc EQUAL 0 OR NOT changes STREQUAL "")
        string(APPEND commit -dirty)
      endif()
    endif()
  endif()
endif()

# Writes text to path unless path already holds exactly that.
function(write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()

file(MAKE_DIRECTORY "${OUT_DIR}")
write_if_changed("${OUT_DIR}/tamberwick_commit.h"
  "// Generated at every build by cmake/tamberwick_commit.cmake: the commit this build is made from.
#pragma once

#define TAMBERWICK_COMMIT \"${commit}\"
")
write_if_changed("${OUT_DIR}/tamberwick_commit.cmake"
  "# Generated at every build by cmake/tamberwick_commit.cmake: the commit this build is made from.
set(TW_COMMIT \"${commit}\")
set(TW_COMMIT_TIME ${time})
")
