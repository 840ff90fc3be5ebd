# The effects' media: bubble sprites, rainbow gradients, caustic frames and
# mark shapes, written by mediagen's generators and embedded compressed.
set(effects_a_dir ${CMAKE_CURRENT_BINARY_DIR}/effects-a)
file(MAKE_DIRECTORY ${effects_a_dir})

# reef_effects_a_media(<generator> <out-list-var> <files>...): runs one
# generator into the folder; its files become the list's entries.
function(reef_effects_a_media generator out_var)
  list(TRANSFORM ARGN PREPEND ${effects_a_dir}/ OUTPUT_VARIABLE outputs)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${HOST_BIN}/mediagen ${generator} ${effects_a_dir}
    DEPENDS hosttools ${HOST_BIN}/mediagen
    COMMENT "Generating ${generator}"
    VERBATIM)
  set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()

set(caustic_names)
foreach(i RANGE 0 31)
  if(i LESS 10)
    list(APPEND caustic_names CausticFrame0${i}.tga)
  else()
    list(APPEND caustic_names CausticFrame${i}.tga)
  endif()
endforeach()
reef_effects_a_media(BubbleTextures bubble_files
  BubbleTexture0.dds BubbleTexture1.dds BubbleTexture2.dds BubbleTexture3.dds)
reef_effects_a_media(RainbowGradients gradient_files
  RainbowGradient0.bmp RainbowGradient1.bmp RainbowGradient2.bmp)
reef_effects_a_media(CausticFrames caustic_files ${caustic_names})
reef_effects_a_media(MarkTextures mark_files
  MarkTexture0.dds MarkTexture1.dds MarkTexture2.dds MarkTexture3.dds MarkTexture4.dds
  MarkTexture5.dds MarkTexture6.dds MarkTexture7.dds MarkTexture8.dds)

reef_embed(EffectsAMedia FILES ${bubble_files} ${gradient_files} ${caustic_files} ${mark_files})
target_sources(EffectsAMedia PRIVATE ${CMAKE_CURRENT_LIST_DIR}/EffectsAMediaTables.cpp)
target_include_directories(EffectsAMedia PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(mediadata INTERFACE EffectsAMedia)
