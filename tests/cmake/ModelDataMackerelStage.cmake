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
# The program carries the stage mesh (its record and initialiser) although
# nothing in it names the mesh.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/CheckStageMeshLinked.cmake [=[
execute_process(COMMAND ${NM} ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${PROGRAM}")
endif()
foreach(name StageMesh StageVertices StageIndices)
  if(NOT symbols MATCHES "[ \t]${name}\n")
    message(FATAL_ERROR "${PROGRAM} does not carry ${name}")
  endif()
endforeach()
]=])
add_test(NAME StageMeshInProgram COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DPROGRAM=$<TARGET_FILE:ReefGlow3>
  -P ${CMAKE_CURRENT_BINARY_DIR}/CheckStageMeshLinked.cmake)
