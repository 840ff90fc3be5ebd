# The effects (bubbles, background, lights and caustic, marks) and their
# media: their rules with a scripted random source, and their drawing on
# Wine's device, through a recording device and the proxy d3d8.dll.
reef_test(EffectsLogicTest EffectsLogicTest.cpp)
target_link_libraries(EffectsLogicTest PRIVATE saverlib)
reef_test(EffectsDeviceTest EffectsDeviceTest.cpp EffectsRecordingDevice.cpp)
target_link_libraries(EffectsDeviceTest PRIVATE saverlib)
target_compile_definitions(EffectsDeviceTest PRIVATE REEF_PROXY_DLL="$<TARGET_FILE:d3d8proxy>")
add_dependencies(EffectsDeviceTest d3d8proxy)
set_tests_properties(EffectsDeviceTest PROPERTIES ENVIRONMENT "REEF_WINEDLLOVERRIDES=mscoree,mshtml=\\;d3d8=n,b")
reef_test(EffectsMediaTest EffectsMediaTest.cpp)
target_link_libraries(EffectsMediaTest PRIVATE mediadata)
