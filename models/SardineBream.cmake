# Sardine and bream model data: modelgen writes the vertex initialisers,
# index lists, range tables and mesh records (checking them first; a failed
# check fails the build) and the skins, which are embedded like the other
# media.
set(sardinebream_out ${CMAKE_CURRENT_BINARY_DIR}/sardinebream)
file(MAKE_DIRECTORY ${sardinebream_out})
add_custom_command(
  OUTPUT ${sardinebream_out}/SardineData.cpp ${sardinebream_out}/SardineDataHashes.h
         ${sardinebream_out}/SardineSkinImage.dds
  COMMAND ${HOST_BIN}/modelgen sardine ${sardinebream_out}
  DEPENDS hosttools ${HOST_BIN}/modelgen
  COMMENT "Generating the sardine model data"
  VERBATIM)
add_custom_command(
  OUTPUT ${sardinebream_out}/BreamData.cpp ${sardinebream_out}/BreamDataHashes.h
         ${sardinebream_out}/BreamSkinImage0.dds ${sardinebream_out}/BreamSkinImage1.dds
         ${sardinebream_out}/BreamSkinImage2.dds ${sardinebream_out}/BreamSkinImage3.dds
  COMMAND ${HOST_BIN}/modelgen bream ${sardinebream_out}
  DEPENDS hosttools ${HOST_BIN}/modelgen
  COMMENT "Generating the bream model data"
  VERBATIM)
reef_embed(sardinebreamskins FILES
  ${sardinebream_out}/SardineSkinImage.dds
  ${sardinebream_out}/BreamSkinImage0.dds ${sardinebream_out}/BreamSkinImage1.dds
  ${sardinebream_out}/BreamSkinImage2.dds ${sardinebream_out}/BreamSkinImage3.dds)
add_library(sardinebreammodels STATIC
  ${sardinebream_out}/SardineData.cpp ${sardinebream_out}/BreamData.cpp
  ${sardinebream_out}/SardineDataHashes.h ${sardinebream_out}/BreamDataHashes.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Sardine.h ${CMAKE_CURRENT_SOURCE_DIR}/Bream.h)
target_include_directories(sardinebreammodels PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${sardinebream_out})
target_link_libraries(sardinebreammodels PUBLIC engine sardinebreamskins)
target_link_libraries(modeldata INTERFACE sardinebreammodels)
