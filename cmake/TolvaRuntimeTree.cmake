# Lays out the runnable tree in the build folder:
#   bin/spindlewake, cfg/ (default engine.cfg and controls.cfg), lib/plugins/ (the OGRE plug-ins
#   and tolva_archive_lzma.so), media/ (GUI files, meshes, materials, sounds) and
#   media/spindlewake.7z, the game's scripts and level packed into one archive at build time.
set(TOLVA_SYSTEM_PLUGINS RenderSystem_GL.so Plugin_ParticleFX.so Codec_STBI.so)
set(link_commands)
foreach(plugin ${TOLVA_SYSTEM_PLUGINS})
  list(APPEND link_commands COMMAND ${CMAKE_COMMAND} -E create_symlink
       ${OGRE_SYSTEM_PLUGIN_DIR}/${plugin} ${TOLVA_PLUGIN_DIR}/${plugin})
endforeach()

# The folders of data/media that go into the archive instead of the tree: the program finds them
# only through the archive plug-in, so a loose copy cannot hide a fault of the packed one.
set(TOLVA_PACKED_MEDIA scripts level)
set(TOLVA_GAME_ARCHIVE ${TOLVA_TREE}/media/spindlewake.7z)

file(GLOB media_children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/media/*)
# A tree laid out before these folders were packed may still hold loose copies; the resource
# locations would find those first, so they go.
set(copy_commands)
foreach(name ${TOLVA_PACKED_MEDIA})
  list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E rm -rf ${TOLVA_TREE}/media/${name})
endforeach()
foreach(child ${media_children})
  get_filename_component(name ${child} NAME)
  if(name IN_LIST TOLVA_PACKED_MEDIA)
    continue()
  endif()
  if(IS_DIRECTORY ${child})
    list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${child} ${TOLVA_TREE}/media/${name})
  else()
    list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy ${child} ${TOLVA_TREE}/media/${name})
  endif()
endforeach()

add_custom_target(runtime_tree ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TOLVA_TREE}/cfg ${TOLVA_TREE}/media ${TOLVA_PLUGIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data/cfg ${TOLVA_TREE}/cfg
  ${copy_commands}
  ${link_commands}
  COMMENT "Laying out the runnable tree"
  VERBATIM)
add_dependencies(spindlewake runtime_tree)

include(TolvaPacking)
tolva_pack_game(game_archive ${TOLVA_GAME_ARCHIVE})
add_dependencies(spindlewake game_archive)
