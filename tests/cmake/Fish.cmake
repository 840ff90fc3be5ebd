# The fish classes: the fish base with its master pass, the partial morph,
# the clone-group render textures and the fish kinds, on Wine's device.
reef_test(FishTest FishTest.cpp)
target_link_libraries(FishTest PRIVATE saverlib)

reef_test(RenderTextureTest RenderTextureTest.cpp)
target_link_libraries(RenderTextureTest PRIVATE saverlib)

reef_test(PartialMorphTest PartialMorphTest.cpp)
target_link_libraries(PartialMorphTest PRIVATE saverlib)

reef_test(FishKindsTest FishKindsTest.cpp)
target_link_libraries(FishKindsTest PRIVATE saverlib)
