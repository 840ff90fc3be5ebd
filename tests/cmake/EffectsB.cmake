# The stencil paint, the flare and the logo: tables, device calls (failures
# through the proxy d3d8.dll), pixels on Wine's device, and their media.
add_library(effectsbtestsupport STATIC EffectsBTestSupport.cpp)
target_link_libraries(effectsbtestsupport PUBLIC testsupport saverlib)

reef_test(EffectsBTest EffectsBTest.cpp)
target_link_libraries(EffectsBTest PRIVATE effectsbtestsupport saverlib)
target_compile_definitions(EffectsBTest PRIVATE REEF_PROXY_DLL="$<TARGET_FILE:d3d8proxy>")
add_dependencies(EffectsBTest d3d8proxy)
set_tests_properties(EffectsBTest PROPERTIES ENVIRONMENT "REEF_WINEDLLOVERRIDES=mscoree,mshtml=\\;d3d8=n,b")

reef_test(EffectsBPixelTest EffectsBPixelTest.cpp)
target_link_libraries(EffectsBPixelTest PRIVATE effectsbtestsupport saverlib)

reef_test(EffectsBMediaTest EffectsBMediaTest.cpp)
target_link_libraries(EffectsBMediaTest PRIVATE effectsbtestsupport saverlib)
