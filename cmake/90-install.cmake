# Installing: cmake --install build --prefix P puts
#   P/bin/quenzy                               the launcher, to call from anywhere
#   P/lib/quenzy/quenzy                        the program
#   P/share/quenzy/data/                       its data (the game runs in P/share/quenzy)
#   P/share/applications/quenzy.desktop        the desktop entry
#   P/share/icons/hicolor/64x64/apps/quenzy.png the icon, drawn by gfxtool
#   P/share/man/man6/quenzy.6                  the manual page
#   P/share/metainfo/io.github.quenzy.Quenzy.metainfo.xml  the AppStream entry
# The first three folders are cache options, for a distribution's layout
# (Debian's games: games, lib/games/quenzy, share/games/quenzy).
# The user's files stay in ~/.quenzy, wherever the game is installed.
set(QUENZY_INSTALL_BINDIR bin CACHE STRING "Folder of the launcher, under the prefix")
set(QUENZY_INSTALL_LIBDIR lib/quenzy CACHE STRING "Folder of the program, under the prefix")
set(QUENZY_INSTALL_DATADIR share/quenzy CACHE STRING
    "Folder the game runs in, holding data/, under the prefix")

set(QUENZY_ICON ${CMAKE_BINARY_DIR}/icon/quenzy.png)
add_custom_command(
  OUTPUT ${QUENZY_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icon
  COMMAND ${DATA_TOOL_gfxtool} png ${CMAKE_SOURCE_DIR}/assets/gfx icon ${QUENZY_ICON}
  DEPENDS ${DATA_TOOL_gfxtool} ${QUENZY_GFX_SOURCES}
  COMMENT "Drawing the desktop icon"
  VERBATIM)
add_custom_target(icon ALL DEPENDS ${QUENZY_ICON})

# The launcher finds the program and the data from its own folder, so the
# whole tree can move with its prefix.
file(RELATIVE_PATH QUENZY_TO_PROGRAM /${QUENZY_INSTALL_BINDIR} /${QUENZY_INSTALL_LIBDIR}/quenzy)
file(RELATIVE_PATH QUENZY_TO_DATA /${QUENZY_INSTALL_BINDIR} /${QUENZY_INSTALL_DATADIR})
configure_file(${CMAKE_SOURCE_DIR}/assets/desktop/quenzy.sh.in ${CMAKE_BINARY_DIR}/launcher/quenzy
               @ONLY)

set(desktop ${CMAKE_SOURCE_DIR}/assets/desktop)
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/quenzy DESTINATION ${QUENZY_INSTALL_BINDIR})
install(TARGETS quenzy RUNTIME DESTINATION ${QUENZY_INSTALL_LIBDIR})
foreach(name levels.bin gfx.ova music.ova sound.ova)
  install(FILES ${QUENZY_DATA_DIR}/${name} DESTINATION ${QUENZY_INSTALL_DATADIR}/data)
endforeach()
install(FILES ${desktop}/quenzy.desktop DESTINATION share/applications)
install(FILES ${QUENZY_ICON} DESTINATION share/icons/hicolor/64x64/apps)
install(FILES ${desktop}/quenzy.6 DESTINATION share/man/man6)
install(FILES ${desktop}/io.github.quenzy.Quenzy.metainfo.xml DESTINATION share/metainfo)
# The install test needs the icon as soon as the game is built.
add_dependencies(quenzy icon)
