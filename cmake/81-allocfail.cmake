# allocfail: the real program with one allocation failed on purpose, and
# fsync or rename failing (the faults library, preloaded). `make allocfail`
# fails every allocation in turn; the suite a seeded few.
#
# The library replaces malloc itself, which AddressSanitizer's runtime must
# own: a sanitizer build has neither it nor its tests.
if(QUENZY_SANITIZE)
  return()
endif()

add_library(faults MODULE ${CMAKE_SOURCE_DIR}/tools/faults/faults.cpp)
set_target_properties(faults PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} PREFIX lib)
target_link_libraries(faults PRIVATE ${CMAKE_DL_LIBS})
# No counters of its own in a coverage build: it runs inside malloc.
target_compile_options(faults PRIVATE -fno-profile-arcs -fno-test-coverage)
target_link_options(faults PRIVATE -fno-profile-arcs)

add_library(allockit STATIC ${CMAKE_SOURCE_DIR}/tools/allocfail/allocrun.cpp)
target_include_directories(allockit PUBLIC ${CMAKE_SOURCE_DIR}/tools/allocfail ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(allockit PUBLIC soakkit)
add_executable(allocfail ${CMAKE_SOURCE_DIR}/tools/allocfail/allocfail.cpp)
target_link_libraries(allocfail PRIVATE allockit)
set_target_properties(allocfail PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(allocfail quenzy data faults)

function(allocfail_link_tool_code)
  if(TARGET quenzy_tests)
    target_link_libraries(quenzy_tests PRIVATE allockit)
    add_dependencies(quenzy_tests faults allocfail)
    target_compile_definitions(quenzy_tests PRIVATE
      QUENZY_FAULTS_LIBRARY="$<TARGET_FILE:faults>")
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL allocfail_link_tool_code)
