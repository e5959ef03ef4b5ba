# Sound effects: sfxtool synthesizes every effect from its text preset in
# assets/sfx into build/sfx, and the WAVs are packed into data/sound.ova
# under the names the game asks for.

add_executable(sfxtool
  ${CMAKE_SOURCE_DIR}/tools/sfxtool/sfxtool.cpp
  ${CMAKE_SOURCE_DIR}/tools/sfxtool/preset.cpp
  ${CMAKE_SOURCE_DIR}/tools/sfxtool/synth.cpp
  ${CMAKE_SOURCE_DIR}/tools/sfxtool/wav.cpp)
set_target_properties(sfxtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Pictures and figures of WAV files, for the sound review.
add_executable(audioview
  ${CMAKE_SOURCE_DIR}/tools/audioview/audioview.cpp
  ${CMAKE_SOURCE_DIR}/tools/audioview/analysis.cpp
  ${CMAKE_SOURCE_DIR}/tools/audioview/font.cpp
  ${CMAKE_SOURCE_DIR}/tools/sfxtool/wav.cpp
  ${CMAKE_SOURCE_DIR}/tools/gfxtool/image.cpp)
target_include_directories(audioview PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(audioview PRIVATE PkgConfig::ZLIB)
set_target_properties(audioview PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# In sound id order: the game asks for NAME.wav.
set(QUENZY_SFX_NAMES
  fruits_disappear lion_hand menu_control select_option timer_last_10_sec
  hippo bird_flying flower_grow maruk_eyelong maruk_eyeshort maruk_eyesshort
  maruk_jump maruk_sleep totem_anim)

set(QUENZY_SFX_DIR ${CMAKE_BINARY_DIR}/sfx)
file(MAKE_DIRECTORY ${QUENZY_SFX_DIR})
set(QUENZY_SFX_WAVS "")
foreach(name ${QUENZY_SFX_NAMES})
  set(preset ${CMAKE_SOURCE_DIR}/assets/sfx/${name}.sfx)
  set(wav ${QUENZY_SFX_DIR}/${name}.wav)
  add_custom_command(
    OUTPUT ${wav}
    COMMAND ${DATA_TOOL_sfxtool} render ${preset} ${wav}
    DEPENDS ${DATA_TOOL_sfxtool} ${preset}
    COMMENT "Synthesizing ${name}.wav"
    VERBATIM)
  list(APPEND QUENZY_SFX_WAVS ${wav})
endforeach()

add_custom_command(
  OUTPUT ${QUENZY_DATA_DIR}/sound.ova
  COMMAND ${DATA_TOOL_ova} pack ${QUENZY_DATA_DIR}/sound.ova ${QUENZY_SFX_WAVS}
  DEPENDS ${DATA_TOOL_ova} ${QUENZY_SFX_WAVS}
  COMMENT "Packing sound.ova"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/sound.ova)

# Review for sound designers: every effect's WAV and picture, and one sheet
# with all of them, in build/sound-review/sfx/.
set(QUENZY_SFX_REVIEW ${CMAKE_BINARY_DIR}/sound-review/sfx)
set(sfx_review_commands "")
foreach(name ${QUENZY_SFX_NAMES})
  list(APPEND sfx_review_commands
    COMMAND ${CMAKE_COMMAND} -E copy ${QUENZY_SFX_DIR}/${name}.wav ${QUENZY_SFX_REVIEW}/
    COMMAND audioview draw ${QUENZY_SFX_DIR}/${name}.wav ${QUENZY_SFX_REVIEW}/${name}.png)
endforeach()
add_custom_target(sfx-review
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENZY_SFX_REVIEW}
  ${sfx_review_commands}
  COMMAND audioview sheet ${QUENZY_SFX_REVIEW}/sheet.png ${QUENZY_SFX_WAVS}
  COMMAND audioview stats ${QUENZY_SFX_WAVS}
  DEPENDS audioview ${QUENZY_SFX_WAVS}
  VERBATIM)
