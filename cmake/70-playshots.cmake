# playshots: renders play frames headless to BMP files, to look at the play
# screen without playing. Not built by default:
#   cmake --build build --target playshots && cd build && ./playshots <folder>
add_executable(playshots EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/playshots/playshots.cpp)
target_link_libraries(playshots PRIVATE quenzygame)
set_target_properties(playshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
