# The archive tool. Each archive is packed by the fragment of its content:
# gfx.ova by 20-gfx, music.ova by 40-music, sound.ova by 41-sfx.

add_executable(ova ${CMAKE_SOURCE_DIR}/tools/ova/ova.cpp)
target_link_libraries(ova PRIVATE quenzygame)
