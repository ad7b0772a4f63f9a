# Lays out the runnable tree in the build folder:
#   bin/spindlewake, cfg/ (default engine.cfg and controls.cfg), lib/plugins/ (the OGRE plug-ins
#   and tolva_archive_lzma.so), media/ (scripts, GUI files, meshes, materials, sounds).
set(TOLVA_SYSTEM_PLUGINS RenderSystem_GL.so Plugin_ParticleFX.so Codec_STBI.so)
set(link_commands)
foreach(plugin ${TOLVA_SYSTEM_PLUGINS})
  list(APPEND link_commands COMMAND ${CMAKE_COMMAND} -E create_symlink
       ${OGRE_SYSTEM_PLUGIN_DIR}/${plugin} ${TOLVA_PLUGIN_DIR}/${plugin})
endforeach()

add_custom_target(runtime_tree ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TOLVA_TREE}/cfg ${TOLVA_TREE}/media ${TOLVA_PLUGIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data/cfg ${TOLVA_TREE}/cfg
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data/media ${TOLVA_TREE}/media
  ${link_commands}
  COMMENT "Laying out the runnable tree"
  VERBATIM)
add_dependencies(spindlewake runtime_tree)
