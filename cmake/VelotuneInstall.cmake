# The installed layout, under any prefix (and DESTDIR):
#   lib/velotune/               the program folder, as build/bin/ lays it out (the programs add
#                               themselves, data/ the database, res/ Help/, the engine its library)
#   bin/velotune, velosync,     relative links into the program folder; the programs find their
#   velotune-play               folder from /proc/self/exe, which names the link's target
#   share/applications/         the desktop entry, share/icons/hicolor/ its icon, share/metainfo/
#                               the software-centre data, share/man/man1/ the manual pages
#   share/doc/velotune/         the licences and the station data's sources
# Nothing in the prefix is written after installation: the programs keep the user's station
# database under $XDG_DATA_HOME (platform/appdirs).
include(GNUInstallDirs)

# The reverse-DNS id that names the desktop entry, the icon and the AppStream data. The player
# gives Qt the same name (res/texts.h kDesktopEntryId), and its windows' class is the product name,
# which StartupWMClass names, so a desktop groups the windows under the entry.
set(VELOTUNE_APP_ID "net.velotune.Velotune")
set(VELOTUNE_HOMEPAGE "https://velotune.net/" CACHE STRING "The product's web page, for the AppStream data")
set(VELOTUNE_SCREENSHOT_URL "https://velotune.net/screenshots" CACHE STRING
    "Where docs/main_view.png and docs/minibar.png are published, for the AppStream data")
# The date of this version's release, shown in the AppStream data and the manual pages.
set(VELOTUNE_RELEASE_DATE "2026-12-10")
string(SUBSTRING "${VELOTUNE_RELEASE_DATE}" 0 4 VELOTUNE_RELEASE_YEAR)

set(VELOTUNE_PROGRAM_DIR lib/velotune)
set(VELOTUNE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/velotune)
set(VELOTUNE_FULL_LIBDIR ${CMAKE_INSTALL_PREFIX}/${VELOTUNE_PROGRAM_DIR})
set(VELOTUNE_FULL_DOCDIR ${CMAKE_INSTALL_PREFIX}/${VELOTUNE_DOC_DIR})

set(dist ${CMAKE_BINARY_DIR}/dist)
file(MAKE_DIRECTORY ${dist}/bin)

# Launchers: relative links, so that the prefix can move (DESTDIR, packages).
file(RELATIVE_PATH to_program_dir ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${VELOTUNE_PROGRAM_DIR})
foreach(program velotune velosync velotune-play)
  file(CREATE_LINK ${to_program_dir}/${program} ${dist}/bin/${program} SYMBOLIC)
  install(FILES ${dist}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

set(src ${PROJECT_SOURCE_DIR}/res)
# The marker that tells the programs this folder is an installation (platform/appdirs): they keep
# their writable files under $XDG_DATA_HOME even when they could write here, as root can.
install(FILES ${src}/install/installed DESTINATION ${VELOTUNE_PROGRAM_DIR})
configure_file(${src}/desktop/app.desktop.in ${dist}/${VELOTUNE_APP_ID}.desktop @ONLY)
configure_file(${src}/desktop/app.metainfo.xml.in ${dist}/${VELOTUNE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${dist}/${VELOTUNE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${dist}/${VELOTUNE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

# The icon theme entry: the same images as the window icon (tools/skinart paints them).
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${src}/skin/icons/app_${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${VELOTUNE_APP_ID}.png)
endforeach()

# Manual pages, compressed as distributions ship them.
find_program(VELOTUNE_GZIP gzip REQUIRED)
set(man_pages)
foreach(page velotune velosync velotune-play)
  configure_file(${src}/man/${page}.1.in ${dist}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${dist}/man/${page}.1.gz
    COMMAND ${VELOTUNE_GZIP} -9 -n -c ${dist}/man/${page}.1 > ${dist}/man/${page}.1.gz
    DEPENDS ${dist}/man/${page}.1
    VERBATIM)
  list(APPEND man_pages ${dist}/man/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Licences and notices (data/ adds the station data's sources under data/).
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${src}/desktop/copyright DESTINATION ${VELOTUNE_DOC_DIR})
