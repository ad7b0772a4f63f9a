# The game's archive: its scripts and level packed into one 7z archive at build time with 7-Zip
# (Debian's p7zip-full). data/media/scripts keeps its folder ("scripts/game/Game.py": modules are
# found by path); the files of data/media/level go to the archive's top, beside the level's binary
# media written by the project's own tools (meshes by tolva_mediagen --level, gravity maps by
# tools/make-level-gravity.py), since materials, meshes, textures and gravity maps are looked up
# by their bare names; the level's sounds, made by soundgen, go below "level/". The archive is
# made anew whenever a packed file or a tool changes.
find_program(TOLVA_7Z NAMES 7z 7za REQUIRED)
find_program(TOLVA_PYTHON3 NAMES python3 REQUIRED)
if(NOT TARGET soundgen)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools/soundgen ${CMAKE_BINARY_DIR}/tools/soundgen)
endif()

# name seconds notes: the background loop, two motifs played over it, and the gate's and the
# pick-up's signals. Notes are frequencies in Hz joined by "/" (0 is a rest).
set(TOLVA_LEVEL_SOUNDS
  "music/background.ogg 16 110/0/147/0/131/0/98/0/110/0/147/0/165/0/147/0"
  "music/motif_rise.ogg 3 440/494/523/587/659/0"
  "music/motif_fall.ogg 3 784/659/587/523/440/0"
  "sounds/gate.ogg 1 196/147"
  "sounds/pickup.ogg 0.6 659/880/1319")

function(tolva_pack_game target archive)
  set(root ${CMAKE_SOURCE_DIR}/data/media)
  set(staging ${CMAKE_BINARY_DIR}/packed)
  set(inputs)
  set(copy_commands)
  foreach(folder ${TOLVA_PACKED_MEDIA})
    if(IS_DIRECTORY ${root}/${folder})
      file(GLOB_RECURSE files CONFIGURE_DEPENDS ${root}/${folder}/*)
      list(FILTER files EXCLUDE REGEX "/__pycache__/|\\.pyc$")
      list(APPEND inputs ${files})
      if(folder STREQUAL "level")
        list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${root}/${folder} ${staging})
      else()
        list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${root}/${folder} ${staging}/${folder})
      endif()
    endif()
  endforeach()
  set(sound_commands)
  foreach(entry ${TOLVA_LEVEL_SOUNDS})
    separate_arguments(fields UNIX_COMMAND "${entry}")
    list(GET fields 0 name)
    list(GET fields 1 seconds)
    list(GET fields 2 notes)
    get_filename_component(folder ${staging}/level/${name} DIRECTORY)
    list(APPEND sound_commands
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND soundgen ${staging}/level/${name} ${seconds} ${notes} 1 44100 0.3)
  endforeach()
  get_filename_component(folder_of_archive ${archive} DIRECTORY)
  add_custom_command(OUTPUT ${archive}
    # 7-Zip updates an archive it finds, keeping entries whose files are gone: start from nothing.
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${staging} ${archive}.part
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staging}/level ${folder_of_archive}
    ${copy_commands}
    COMMAND tolva_mediagen --level ${staging}
    COMMAND ${TOLVA_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make-level-gravity.py ${staging}
    ${sound_commands}
    COMMAND ${CMAKE_COMMAND} -E chdir ${staging}
            ${TOLVA_7Z} a -t7z -bd -y -bso0 -xr!__pycache__ -xr!*.pyc ${archive}.part *
    COMMAND ${CMAKE_COMMAND} -E rename ${archive}.part ${archive}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${inputs} tolva_mediagen soundgen ${CMAKE_SOURCE_DIR}/tools/make-level-gravity.py
    COMMENT "Packing the game's scripts and level into ${archive}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${archive})
endfunction()
