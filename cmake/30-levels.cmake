# Levels: the level tool, the packed level file and the example test board.

set(LEVELTOOL_DIR ${CMAKE_SOURCE_DIR}/tools/leveltool)
add_library(levelkit STATIC
  ${LEVELTOOL_DIR}/board.cpp ${LEVELTOOL_DIR}/solver.cpp ${LEVELTOOL_DIR}/levelfile.cpp
  ${LEVELTOOL_DIR}/generate.cpp ${LEVELTOOL_DIR}/verify.cpp)
target_include_directories(levelkit PUBLIC ${LEVELTOOL_DIR})
target_link_libraries(levelkit PUBLIC quenzygame)
add_executable(leveltool ${LEVELTOOL_DIR}/main.cpp)
target_link_libraries(leveltool PRIVATE levelkit)
set_target_properties(leveltool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Level files are read in name order: the order of the levels in the game.
file(GLOB LEVEL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/levels/levels-*.txt)
list(SORT LEVEL_SOURCES)
set(LEVELS_BIN ${QUENZY_DATA_DIR}/levels.bin)
add_custom_command(OUTPUT ${LEVELS_BIN}
  COMMAND ${DATA_TOOL_leveltool} pack -o ${LEVELS_BIN} ${LEVEL_SOURCES}
  DEPENDS ${DATA_TOOL_leveltool} ${LEVEL_SOURCES}
  COMMENT "Packing levels.bin")

set(TEST_BOARD_SOURCE ${CMAKE_SOURCE_DIR}/assets/levels/test-board.txt)
set(TEST_BOARD_BIN ${CMAKE_BINARY_DIR}/test.bin)
add_custom_command(OUTPUT ${TEST_BOARD_BIN}
  COMMAND ${DATA_TOOL_leveltool} testboard -o ${TEST_BOARD_BIN} ${TEST_BOARD_SOURCE}
  DEPENDS ${DATA_TOOL_leveltool} ${TEST_BOARD_SOURCE}
  COMMENT "Making the example test.bin")

set_property(GLOBAL APPEND PROPERTY QUENZY_DATA_FILES ${LEVELS_BIN} ${TEST_BOARD_BIN})

if(QUENZY_TESTS)
  enable_testing()
  # Every shipped level replayed by the game's rules code and searched for a
  # shorter solution.
  add_test(NAME levels_verify
    COMMAND leveltool verify ${LEVELS_BIN}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(levels_verify PROPERTIES
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
endif()
