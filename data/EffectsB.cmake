# The media of the stencil paint, the flare and the logo, written by the
# mediagen generators PaintTextures, FlareTextures, LogoMesh and
# LogoTextures and embedded as the library EffectsBMediaFiles; the tables
# that name them are in EffectsBMedia.h.
set(EFFECTSB_MEDIA_DIR ${CMAKE_CURRENT_BINARY_DIR}/effectsb)
set(effectsb_paint PaintTartan.bmp PaintDenseDots.bmp PaintSparseDots.bmp PaintStripes.bmp)
set(effectsb_flare)
foreach(i RANGE 0 19)
  if(i LESS 10)
    list(APPEND effectsb_flare FlareTexture0${i}.bmp)
  else()
    list(APPEND effectsb_flare FlareTexture${i}.bmp)
  endif()
endforeach()
set(effectsb_logo_mesh LogoShape.x)
set(effectsb_logo_textures LogoNormalMap.tga LogoPicture.dds LogoCubeMap.dds)

set(effectsb_all)
foreach(generator PaintTextures FlareTextures LogoMesh LogoTextures)
  if(generator STREQUAL "PaintTextures")
    set(files ${effectsb_paint})
  elseif(generator STREQUAL "FlareTextures")
    set(files ${effectsb_flare})
  elseif(generator STREQUAL "LogoMesh")
    set(files ${effectsb_logo_mesh})
  else()
    set(files ${effectsb_logo_textures})
  endif()
  list(TRANSFORM files PREPEND ${EFFECTSB_MEDIA_DIR}/)
  add_custom_command(OUTPUT ${files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${EFFECTSB_MEDIA_DIR}
    COMMAND ${HOST_BIN}/mediagen ${generator} ${EFFECTSB_MEDIA_DIR}
    DEPENDS hosttools ${HOST_BIN}/mediagen
    COMMENT "Generating ${generator}"
    VERBATIM)
  list(APPEND effectsb_all ${files})
endforeach()

reef_embed(EffectsBMediaFiles FILES ${effectsb_all})
target_sources(EffectsBMediaFiles PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/EffectsBMedia.cpp)
target_include_directories(EffectsBMediaFiles PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(mediadata INTERFACE EffectsBMediaFiles)
