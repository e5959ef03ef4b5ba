# Music: modtool composes every module from its text source in assets/music
# (synthesising the instruments' samples itself) into build/music, and the
# modules are packed into data/music.ova under the names the game asks for.

set(MODTOOL_DIR ${CMAKE_SOURCE_DIR}/tools/modtool)
add_library(modkit STATIC
  ${MODTOOL_DIR}/song.cpp ${MODTOOL_DIR}/synth.cpp ${MODTOOL_DIR}/xm.cpp
  ${MODTOOL_DIR}/render.cpp ${MODTOOL_DIR}/analyze.cpp)
target_include_directories(modkit PUBLIC ${MODTOOL_DIR})
target_link_libraries(modkit PUBLIC PkgConfig::MODPLUG)
add_executable(modtool ${MODTOOL_DIR}/main.cpp)
target_link_libraries(modtool PRIVATE modkit)
set_target_properties(modtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Music ids 0 ... 12, in order; the entry of each is NAME.mod.
set(QUENZY_MUSIC_NAMES
  quenzyintro ptfactory breakfastenvy gomellow marenspeak smoothie powerslide
  vardo2tc shadowfax quenzyliquids sundaydrive x.levelcomplete y.jingle)

set(QUENZY_MUSIC_DIR ${CMAKE_BINARY_DIR}/music)
file(MAKE_DIRECTORY ${QUENZY_MUSIC_DIR})
file(GLOB QUENZY_MUSIC_INCLUDES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/music/*.inc)
set(QUENZY_MUSIC_MODULES "")
foreach(name ${QUENZY_MUSIC_NAMES})
  set(module ${QUENZY_MUSIC_DIR}/${name}.mod)
  add_custom_command(
    OUTPUT ${module}
    COMMAND ${DATA_TOOL_modtool} build ${CMAKE_SOURCE_DIR}/assets/music/${name}.song ${module}
    DEPENDS ${DATA_TOOL_modtool} ${CMAKE_SOURCE_DIR}/assets/music/${name}.song ${QUENZY_MUSIC_INCLUDES}
    COMMENT "Composing ${name}"
    VERBATIM)
  list(APPEND QUENZY_MUSIC_MODULES ${module})
endforeach()

# The archive tool comes from 10-archives.cmake.
add_custom_command(
  OUTPUT ${QUENZY_DATA_DIR}/music.ova
  COMMAND ${DATA_TOOL_ova} pack ${QUENZY_DATA_DIR}/music.ova ${QUENZY_MUSIC_MODULES}
  DEPENDS ${DATA_TOOL_ova} ${QUENZY_MUSIC_MODULES}
  COMMENT "Packing music.ova"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/music.ova)

# Renders for listening: build/sound-review/music/NAME.wav, each looping
# piece played twice so that the join can be heard, the fanfare and the
# jingle once, as the game plays them; beside each its waveform and
# spectrogram (NAME.png, by audioview from 41-sfx).
set(QUENZY_MUSIC_REVIEW ${CMAKE_BINARY_DIR}/sound-review/music)
set(QUENZY_MUSIC_REVIEW_COMMANDS "")
foreach(name ${QUENZY_MUSIC_NAMES})
  set(passes 2)
  if(name MATCHES "^[xy]\\.")
    set(passes 1)
  endif()
  list(APPEND QUENZY_MUSIC_REVIEW_COMMANDS
    COMMAND modtool render ${QUENZY_MUSIC_DIR}/${name}.mod ${QUENZY_MUSIC_REVIEW}/${name}.wav --loops ${passes}
    COMMAND audioview draw ${QUENZY_MUSIC_REVIEW}/${name}.wav ${QUENZY_MUSIC_REVIEW}/${name}.png)
endforeach()
add_custom_target(music-review
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENZY_MUSIC_REVIEW}
  ${QUENZY_MUSIC_REVIEW_COMMANDS}
  COMMAND modtool stats ${QUENZY_MUSIC_MODULES}
  DEPENDS modtool audioview ${QUENZY_MUSIC_MODULES}
  VERBATIM)
