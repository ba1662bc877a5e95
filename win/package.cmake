# The players' zips, written into the build directory by every build and again by
# `cmake --build --preset win --target package`:
#
#   tamberwick-<version>-win64.zip      tamberwick.asi, tamberwick.ini and the texts
#   tamberwick-dev-<version>-win64.zip  tamberwick-dev.asi, which replaces tamberwick.asi
#   tamberwick-<version>-SHA256SUMS.txt the SHA-256 of both zips and of every file inside them
#
# The same commit gives the same zips, byte for byte: release_zips.py rewrites what CPack makes
# with the entries in order of name, each dated at the commit's time and rw-r--r--.
#
# Every file sits at the top of its zip, to be unpacked straight into the game folder beside
# ScriptHookRDR2.dll. Every name there begins with "tamberwick": unpacking overwrites no other
# mod's read-me or licence, and removing the plug-in is deleting tamberwick*.
# Included from win/CMakeLists.txt.

# The texts as players open them: the version filled in, Windows line ends.
set(TW_PACKAGE_TEXT_DIR ${CMAKE_BINARY_DIR}/package-texts)
set(TW_README ${TW_PACKAGE_TEXT_DIR}/tamberwick-README.txt)
set(TW_DEV_README ${TW_PACKAGE_TEXT_DIR}/tamberwick-dev-README.txt)
set(TW_LICENSE ${TW_PACKAGE_TEXT_DIR}/tamberwick-LICENSE.txt)
set(TW_NOTICES ${TW_PACKAGE_TEXT_DIR}/tamberwick-THIRD_PARTY_NOTICES.txt)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt ${TW_README} @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README-dev.txt ${TW_DEV_README} @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${TW_LICENSE} @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/packaging/THIRD_PARTY_NOTICES.txt ${TW_NOTICES} @ONLY NEWLINE_STYLE CRLF)
set(TW_INI ${CMAKE_SOURCE_DIR}/tamberwick.ini)

# What each zip holds.
set(TW_RELEASE_ZIP_FILES $<TARGET_FILE:tamberwick_asi> ${TW_INI} ${TW_README} ${TW_LICENSE} ${TW_NOTICES})
set(TW_DEV_ZIP_FILES $<TARGET_FILE:tamberwick_dev_asi> ${TW_INI} ${TW_DEV_README} ${TW_LICENSE} ${TW_NOTICES})
install(FILES ${TW_RELEASE_ZIP_FILES} DESTINATION . COMPONENT release)
install(FILES ${TW_DEV_ZIP_FILES} DESTINATION . COMPONENT dev)

set(CPACK_PACKAGE_NAME tamberwick)
set(CPACK_PACKAGE_VENDOR "the Tamberwick developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tamberwick visitors plug-in")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL release dev)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_RELEASE_FILE_NAME tamberwick-${PROJECT_VERSION}-win64)
set(CPACK_ARCHIVE_DEV_FILE_NAME tamberwick-dev-${PROJECT_VERSION}-win64)
find_package(Python3 3.9 REQUIRED COMPONENTS Interpreter)
set(TW_COMMIT_FILE ${TAMBERWICK_GENERATED_DIR}/tamberwick_commit.cmake)  # the commit's time
set(TW_RELEASE_ZIPS_PY ${CMAKE_CURRENT_SOURCE_DIR}/release_zips.py)
set(TW_SUMS ${CMAKE_BINARY_DIR}/tamberwick-${PROJECT_VERSION}-SHA256SUMS.txt)
set(CPACK_TW_PYTHON ${Python3_EXECUTABLE})
set(CPACK_TW_RELEASE_ZIPS ${TW_RELEASE_ZIPS_PY})
set(CPACK_TW_COMMIT_FILE ${TW_COMMIT_FILE})
set(CPACK_TW_SUMS ${TW_SUMS})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cpack_post_build.cmake)
include(CPack)

set(TW_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${CPACK_ARCHIVE_RELEASE_FILE_NAME}.zip)
set(TW_DEV_ZIP ${CMAKE_BINARY_DIR}/${CPACK_ARCHIVE_DEV_FILE_NAME}.zip)

# Part of the default build, so the tests always find zips made from the DLLs they test; made
# again when a DLL, a text or what goes into a zip (the install rules above) changed.
add_custom_command(
  OUTPUT ${TW_RELEASE_ZIP} ${TW_DEV_ZIP} ${TW_SUMS}
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  DEPENDS tamberwick_asi tamberwick_dev_asi ${TW_INI} ${TW_README} ${TW_DEV_README} ${TW_LICENSE} ${TW_NOTICES}
          ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/cmake_install.cmake
          ${CMAKE_CURRENT_BINARY_DIR}/cmake_install.cmake ${TW_COMMIT_FILE} ${TW_RELEASE_ZIPS_PY}
          ${CMAKE_CURRENT_SOURCE_DIR}/cpack_post_build.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Release zips: ${CPACK_ARCHIVE_RELEASE_FILE_NAME}.zip, ${CPACK_ARCHIVE_DEV_FILE_NAME}.zip"
  VERBATIM)
add_custom_target(release_zips ALL DEPENDS ${TW_RELEASE_ZIP} ${TW_DEV_ZIP} ${TW_SUMS})
add_dependencies(release_zips tamberwick_commit)

# Each zip holds exactly these names, at the top, each byte for byte the file built for it.
set(TW_RELEASE_ZIP_NAMES tamberwick.asi tamberwick.ini tamberwick-README.txt tamberwick-LICENSE.txt
  tamberwick-THIRD_PARTY_NOTICES.txt)
set(TW_DEV_ZIP_NAMES tamberwick-dev.asi tamberwick.ini tamberwick-dev-README.txt tamberwick-LICENSE.txt
  tamberwick-THIRD_PARTY_NOTICES.txt)
foreach(kind release dev)
  string(TOUPPER ${kind} KIND)
  list(JOIN TW_${KIND}_ZIP_NAMES "|" names)
  list(JOIN TW_${KIND}_ZIP_FILES "|" files)
  add_test(NAME win.package.${kind}_zip
    COMMAND ${CMAKE_COMMAND} -DZIP=${TW_${KIND}_ZIP} -DNAMES=${names} -DFILES=${files}
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/zip-check/${kind} -P ${CMAKE_CURRENT_SOURCE_DIR}/check_zip.cmake)
endforeach()

# Both zips as release_zips.py writes them (in order of name, dated at the commit's time,
# rw-r--r--), and the checksums file listing exactly them and what they hold.
add_test(NAME win.package.reproducible_zips
  COMMAND ${Python3_EXECUTABLE} ${TW_RELEASE_ZIPS_PY} check --commit-file ${TW_COMMIT_FILE} --sums ${TW_SUMS}
          ${TW_RELEASE_ZIP} ${TW_DEV_ZIP})
