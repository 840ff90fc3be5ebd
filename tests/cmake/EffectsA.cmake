# The effects (bubbles, background, lights and caustic, marks) and their
# media: their rules with a scripted random source, and their drawing on
# Wine's device, through a recording device and the proxy d3d8.dll.
reef_test(EffectsLogicTest EffectsLogicTest.cpp)
target_link_libraries(EffectsLogicTest PRIVATE saverlib)
