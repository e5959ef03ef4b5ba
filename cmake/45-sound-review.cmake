# Everything a reviewer needs to listen to and look at the game's sound:
# build/sound-review/music and build/sound-review/sfx.
add_custom_target(sound-review)
add_dependencies(sound-review music-review sfx-review)
