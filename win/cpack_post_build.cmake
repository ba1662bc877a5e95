# Run by CPack once it has made the zips (CPACK_POST_BUILD_SCRIPTS in package.cmake), however
# it was started: by the default build, the package target or `cpack --preset win`.
# release_zips.py rewrites them so that one commit always gives the same bytes, and writes the
# checksums file beside them.
execute_process(
  COMMAND ${CPACK_TW_PYTHON} ${CPACK_TW_RELEASE_ZIPS} write --commit-file ${CPACK_TW_COMMIT_FILE}
          --sums ${CPACK_TW_SUMS} ${CPACK_PACKAGE_FILES}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Rewritten for the same bytes from every build: ${CPACK_PACKAGE_FILES}; checksums in ${CPACK_TW_SUMS}")
