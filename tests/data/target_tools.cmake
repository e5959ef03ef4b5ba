# Makes the game's data again with the target's own tools (under the
# emulator in a cross build) in a folder of its own, and holds every file
# against the build's data, which the host's tools may have made.
#   cmake -DBIN=build -DSRC=source -DLAUNCHER=a,b -DGFX=a,b -DMUSIC=a,b
#         -DSFX=a,b -DLEVELS=a,b -P target_tools.cmake
# (lists with commas: a test's arguments cannot hold semicolons).
foreach(list LAUNCHER GFX MUSIC SFX LEVELS)
  string(REPLACE "," ";" ${list} "${${list}}")
endforeach()

string(RANDOM LENGTH 8 tag)
set(out /tmp/quenzy-data-${tag})
file(REMOVE_RECURSE ${out})
file(MAKE_DIRECTORY ${out}/gfx ${out}/music ${out}/sfx ${out}/data)

function(run tool)
  execute_process(COMMAND ${LAUNCHER} ${BIN}/${tool} ${ARGN}
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${tool} ${ARGN}: ${status} ${err} (kept ${out})")
  endif()
endfunction()

set(compared 0)
function(same made built)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${made} ${built} RESULT_VARIABLE differ)
  if(differ)
    message(SEND_ERROR "${built} differs from the target tool's ${made}")
  endif()
  math(EXPR n "${compared} + 1")
  set(compared ${n} PARENT_SCOPE)
endfunction()

run(gfxtool build ${SRC}/assets/gfx ${out}/gfx)
run(gfxtool png ${SRC}/assets/gfx icon ${out}/quenzy.png)
same(${out}/quenzy.png ${BIN}/icon/quenzy.png)
set(bmps "")
foreach(name ${GFX})
  same(${out}/gfx/${name}.bmp ${BIN}/gfx/${name}.bmp)
  list(APPEND bmps ${out}/gfx/${name}.bmp)
endforeach()
run(ova pack ${out}/data/gfx.ova ${bmps})

set(modules "")
foreach(name ${MUSIC})
  run(modtool build ${SRC}/assets/music/${name}.song ${out}/music/${name}.mod)
  same(${out}/music/${name}.mod ${BIN}/music/${name}.mod)
  list(APPEND modules ${out}/music/${name}.mod)
endforeach()
run(ova pack ${out}/data/music.ova ${modules})

set(wavs "")
foreach(name ${SFX})
  run(sfxtool render ${SRC}/assets/sfx/${name}.sfx ${out}/sfx/${name}.wav)
  same(${out}/sfx/${name}.wav ${BIN}/sfx/${name}.wav)
  list(APPEND wavs ${out}/sfx/${name}.wav)
endforeach()
run(ova pack ${out}/data/sound.ova ${wavs})

run(leveltool pack -o ${out}/data/levels.bin ${LEVELS})
run(leveltool testboard -o ${out}/test.bin ${SRC}/assets/levels/test-board.txt)
same(${out}/test.bin ${BIN}/test.bin)
foreach(name gfx.ova music.ova sound.ova levels.bin)
  same(${out}/data/${name} ${BIN}/data/${name})
endforeach()

message(STATUS "${compared} files as the target's tools make them")
file(REMOVE_RECURSE ${out})
