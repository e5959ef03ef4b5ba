# Installing: cmake --install build --prefix P puts
#   P/bin/quenzy                               the launcher, to call from anywhere
#   P/lib/quenzy/quenzy                        the program
#   P/share/quenzy/data/                       its data (the game runs in P/share/quenzy)
#   P/share/applications/quenzy.desktop        the desktop entry
#   P/share/icons/hicolor/64x64/apps/quenzy.png the icon, drawn by gfxtool
# The user's files stay in ~/.quenzy, wherever the game is installed.
set(QUENZY_ICON ${CMAKE_BINARY_DIR}/icon/quenzy.png)
add_custom_command(
  OUTPUT ${QUENZY_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icon
  COMMAND ${DATA_TOOL_gfxtool} png ${CMAKE_SOURCE_DIR}/assets/gfx icon ${QUENZY_ICON}
  DEPENDS ${DATA_TOOL_gfxtool} ${QUENZY_GFX_SOURCES}
  COMMENT "Drawing the desktop icon"
  VERBATIM)
add_custom_target(icon ALL DEPENDS ${QUENZY_ICON})

install(PROGRAMS ${CMAKE_SOURCE_DIR}/assets/desktop/quenzy.sh DESTINATION bin RENAME quenzy)
install(TARGETS quenzy RUNTIME DESTINATION lib/quenzy)
foreach(name levels.bin gfx.ova music.ova sound.ova)
  install(FILES ${QUENZY_DATA_DIR}/${name} DESTINATION share/quenzy/data)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/assets/desktop/quenzy.desktop DESTINATION share/applications)
install(FILES ${QUENZY_ICON} DESTINATION share/icons/hicolor/64x64/apps)
# The install test needs the icon as soon as the game is built.
add_dependencies(quenzy icon)
