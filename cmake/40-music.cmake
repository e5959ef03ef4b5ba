# The music archive. Its content does not exist yet, so it is packed empty;
# the game opens it at start-up like any other.

add_custom_command(
  OUTPUT ${QUENZY_DATA_DIR}/music.ova
  COMMAND $<TARGET_FILE:ova> pack ${QUENZY_DATA_DIR}/music.ova
  DEPENDS ova
  COMMENT "Packing music.ova"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/music.ova)
