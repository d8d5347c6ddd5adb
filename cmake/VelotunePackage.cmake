# Packages: `cpack -G DEB` in the build folder makes a Debian package of the installed layout
# (cmake/VelotuneInstall.cmake) under /usr; `cpack --config CPackSourceConfig.cmake` makes the
# source tarball. scripts/package builds both and checks the .deb.
set(VELOTUNE_MAINTAINER "Quillon Global <support@velotune.net>")

# A Debian-format change log, which a package's documentation folder must hold.
execute_process(COMMAND date -u -R -d "${VELOTUNE_RELEASE_DATE} 12:00:00"
                OUTPUT_VARIABLE changelog_date OUTPUT_STRIP_TRAILING_WHITESPACE)
file(WRITE ${CMAKE_BINARY_DIR}/dist/changelog
  "velotune (${PROJECT_VERSION}) stable; urgency=medium\n\n"
  "  * First release for Linux: desktop entry, icons, AppStream data, manual pages\n"
  "    and a per-user station database under a read-only installation.\n\n"
  " -- ${VELOTUNE_MAINTAINER}  ${changelog_date}\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/changelog.gz
  COMMAND ${VELOTUNE_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/dist/changelog > ${CMAKE_BINARY_DIR}/dist/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/dist/changelog.gz DESTINATION ${VELOTUNE_DOC_DIR})

set(CPACK_PACKAGE_NAME velotune)
set(CPACK_PACKAGE_VENDOR "Quillon Global")
set(CPACK_PACKAGE_CONTACT "${VELOTUNE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet-radio player with a station database")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VELOTUNE_HOMEPAGE}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELOTUNE_MAINTAINER}")
# The long description; CPack puts the summary above it and formats it for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Velotune finds Internet radio stations by country, state, city or genre in a
local database of thousands of real stations, keeps a playlist with six
presets, plays and records streams, and plays the recordings, in a small
skinned window, a one-line minibar and the notification area.

Its companion, velosync, keeps the station database up to date from an
update server while carrying the playlist over.")
# The dependencies are those of the shared libraries the programs link (dpkg-shlibdeps), so they
# follow the build machine's libraries rather than a list kept by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME velotune-${PROJECT_VERSION})
# Regular expressions, escaped once more for CPackSourceConfig.cmake, which CPack reads as code.
set(CPACK_SOURCE_IGNORE_FILES
  "/\\\\.git/" "/\\\\.git$" "/\\\\.cache/" "/build/" "/build-[^/]*/" "\\\\.swp$"
  "/compile_commands\\\\.json$")

include(CPack)
