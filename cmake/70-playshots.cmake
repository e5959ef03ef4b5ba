# playshots: renders play frames headless to BMP files, to look at the play
# screen without playing. Not built by default:
#   cmake --build build --target playshots && cd build && ./playshots <folder>
add_executable(playshots EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/playshots/playshots.cpp)
target_link_libraries(playshots PRIVATE quenzygame)
# It sets the display up as the play-frame benchmarks do.
target_include_directories(playshots PRIVATE ${CMAKE_SOURCE_DIR}/tests/bench)
set_target_properties(playshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
