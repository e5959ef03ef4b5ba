# The archive tool, and the music and sound archives. Music and effects do
# not exist yet, so both archives are packed empty; the game opens them at
# start-up like any other.

add_executable(ova ${CMAKE_SOURCE_DIR}/tools/ova/ova.cpp)
target_link_libraries(ova PRIVATE quenzygame)

foreach(archive music sound)
  add_custom_command(
    OUTPUT ${QUENZY_DATA_DIR}/${archive}.ova
    COMMAND $<TARGET_FILE:ova> pack ${QUENZY_DATA_DIR}/${archive}.ova
    DEPENDS ova
    COMMENT "Packing ${archive}.ova"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${QUENZY_DATA_DIR}/${archive}.ova)
endforeach()
