# soak: long random play of the real game by replay, and the check of the
# user files it leaves (tools/soak). `make soak` runs long ones; the suite a
# short one. Built with the game so that both always have it.
add_library(soakkit STATIC
  ${CMAKE_SOURCE_DIR}/tools/soak/soakscript.cpp
  ${CMAKE_SOURCE_DIR}/tools/soak/soakrun.cpp
  ${CMAKE_SOURCE_DIR}/tools/soak/userfiles.cpp)
target_include_directories(soakkit PUBLIC ${CMAKE_SOURCE_DIR}/tools/soak ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(soakkit PUBLIC quenzygame)
add_executable(soak ${CMAKE_SOURCE_DIR}/tools/soak/soak.cpp)
target_link_libraries(soak PRIVATE soakkit)
set_target_properties(soak PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(soak quenzy data)
