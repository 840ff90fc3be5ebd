# Mackerel model data and the stage mesh: modelgen writes the vertex
# initialisers, index lists, range tables and mesh records (checking them
# first) and the mackerel's skin, which is embedded like the other media.
set(mackerelstage_out ${CMAKE_CURRENT_BINARY_DIR}/mackerelstage)
file(MAKE_DIRECTORY ${mackerelstage_out})
add_custom_command(
  OUTPUT ${mackerelstage_out}/MackerelData.cpp ${mackerelstage_out}/MackerelSkinImage.dds
  COMMAND ${HOST_BIN}/modelgen mackerel ${mackerelstage_out}
  DEPENDS hosttools ${HOST_BIN}/modelgen
  COMMENT "Generating the mackerel model data"
  VERBATIM)
add_custom_command(
  OUTPUT ${mackerelstage_out}/StageData.cpp
  COMMAND ${HOST_BIN}/modelgen stage ${mackerelstage_out}
  DEPENDS hosttools ${HOST_BIN}/modelgen
  COMMENT "Generating the stage mesh"
  VERBATIM)
reef_embed(mackerelskin FILES ${mackerelstage_out}/MackerelSkinImage.dds)
add_library(mackerelstagemodels STATIC
  ${mackerelstage_out}/MackerelData.cpp
  ${mackerelstage_out}/StageData.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Mackerel.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Stage.h)
target_include_directories(mackerelstagemodels PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(mackerelstagemodels PUBLIC engine mackerelskin)
target_link_libraries(modeldata INTERFACE mackerelstagemodels)
# Nothing refers to the stage mesh, so its archive member is asked for by
# name: every program carries it and builds its record at start-up.
target_link_options(mackerelstagemodels INTERFACE "LINKER:-u,StageMesh")
