# Flocks and their movers: their logic with a scripted random source, the
# formation under steering and the world's update.
reef_test(MoversTest MoversTest.cpp)
target_link_libraries(MoversTest PRIVATE saverlib)
reef_test(FlocksTest FlocksTest.cpp)
target_link_libraries(FlocksTest PRIVATE saverlib)
# The clone-texture viewer on Wine's device, failures through the proxy d3d8.dll.
reef_test(CloneTexViewerTest CloneTexViewerTest.cpp)
target_link_libraries(CloneTexViewerTest PRIVATE saverlib)
target_compile_definitions(CloneTexViewerTest PRIVATE REEF_PROXY_DLL="$<TARGET_FILE:d3d8proxy>")
add_dependencies(CloneTexViewerTest d3d8proxy)
set_tests_properties(CloneTexViewerTest PROPERTIES ENVIRONMENT "REEF_WINEDLLOVERRIDES=mscoree,mshtml=\\;d3d8=n,b")
