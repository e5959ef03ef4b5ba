# The sound archive. Its content does not exist yet, so it is packed empty;
# the game opens it at start-up like any other.

add_custom_command(
  OUTPUT ${QUENZY_DATA_DIR}/sound.ova
  COMMAND $<TARGET_FILE:ova> pack ${QUENZY_DATA_DIR}/sound.ova
  DEPENDS ova
  COMMENT "Packing sound.ova"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/sound.ova)
