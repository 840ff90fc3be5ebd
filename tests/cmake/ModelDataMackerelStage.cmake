# The mackerel's model data and the stage mesh as compiled into the program:
# records, initialisers and a table of named checks shared with modelgen
# (which runs them at build time too); the partial morph's build over the
# mackerel's pose mesh when the partial morph is part of the program.
set(MACKEREL_STAGE_CHECKS ${CMAKE_SOURCE_DIR}/tools/modelgen/mackerel)
reef_test(MackerelDataTest MackerelDataTest.cpp ${MACKEREL_STAGE_CHECKS}/MackerelCheck.cpp)
target_include_directories(MackerelDataTest PRIVATE ${MACKEREL_STAGE_CHECKS})
target_link_libraries(MackerelDataTest PRIVATE mackerelstagemodels)
if(EXISTS ${CMAKE_SOURCE_DIR}/saver/CPartialMorph.cpp)
  target_link_libraries(MackerelDataTest PRIVATE saverlib)
  target_compile_definitions(MackerelDataTest PRIVATE REEF_HAVE_PARTIAL_MORPH)
endif()
set(STAGE_CHECKS ${CMAKE_SOURCE_DIR}/tools/modelgen/stage)
reef_test(StageDataTest StageDataTest.cpp ${STAGE_CHECKS}/StageCheck.cpp)
target_include_directories(StageDataTest PRIVATE ${STAGE_CHECKS})
target_link_libraries(StageDataTest PRIVATE mackerelstagemodels)
