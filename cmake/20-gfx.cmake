# Game art: gfxtool draws every picture from the text sources in assets/gfx
# into build/gfx, and the pictures are packed into data/gfx.ova.

add_executable(gfxtool
  ${CMAKE_SOURCE_DIR}/tools/gfxtool/gfxtool.cpp
  ${CMAKE_SOURCE_DIR}/tools/gfxtool/image.cpp
  ${CMAKE_SOURCE_DIR}/tools/gfxtool/script.cpp
  ${CMAKE_SOURCE_DIR}/tools/gfxtool/contact.cpp)
target_link_libraries(gfxtool PRIVATE PkgConfig::ZLIB)
set_target_properties(gfxtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

file(GLOB QUENZY_GFX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/gfx/*.gfx)

# Every picture the game loads by name.
set(QUENZY_GFX_NAMES
  logo timebar timebar2 gameover kitty pause
  ingamebkg1 ingamebkg2 ingamebkg3 ingamebkg4 titbkgl0 titbkgl1 titbkgl2
  font fontbig fruitanim fruitanim2 lionanim totem sunanim options_vert
  birds birds2 flowers flowers2 butterfly hippo creditsend ov-ondra ov-logo)

set(QUENZY_GFX_DIR ${CMAKE_BINARY_DIR}/gfx)
set(QUENZY_GFX_BMPS "")
foreach(name ${QUENZY_GFX_NAMES})
  list(APPEND QUENZY_GFX_BMPS ${QUENZY_GFX_DIR}/${name}.bmp)
endforeach()

add_custom_command(
  OUTPUT ${QUENZY_GFX_BMPS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENZY_GFX_DIR}
  COMMAND ${DATA_TOOL_gfxtool} build ${CMAKE_SOURCE_DIR}/assets/gfx ${QUENZY_GFX_DIR}
  DEPENDS ${DATA_TOOL_gfxtool} ${QUENZY_GFX_SOURCES}
  COMMENT "Drawing the game art"
  VERBATIM)

# The archive tool comes from 10-archives.cmake.
add_custom_command(
  OUTPUT ${QUENZY_DATA_DIR}/gfx.ova
  COMMAND ${DATA_TOOL_ova} pack ${QUENZY_DATA_DIR}/gfx.ova ${QUENZY_GFX_BMPS}
  DEPENDS ${DATA_TOOL_ova} ${QUENZY_GFX_BMPS}
  COMMENT "Packing gfx.ova"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/gfx.ova)

# Review sheets for artists: build/gfx-review/*.png
add_custom_target(gfx-review
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gfx-review
  COMMAND gfxtool contact ${CMAKE_SOURCE_DIR}/assets/gfx ${CMAKE_BINARY_DIR}/gfx-review
  DEPENDS gfxtool
  VERBATIM)
