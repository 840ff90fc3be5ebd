# The screensaver program: its rules in process, the application on Wine's
# device, and the real ReefGlow3.scr run as a process.
reef_test(SaverLogicTest SaverLogicTest.cpp)
target_link_libraries(SaverLogicTest PRIVATE saverlib)
reef_test(SaverProcessTest DESKTOP SaverProcessTest.cpp $<TARGET_OBJECTS:resources>)
target_compile_definitions(SaverProcessTest PRIVATE REEF_SAVER_PROXY="${CMAKE_BINARY_DIR}/proxy/ReefGlow3.scr")
add_dependencies(SaverProcessTest ReefGlow3 d3d8proxy)
set_tests_properties(SaverProcessTest PROPERTIES ENVIRONMENT "REEF_WINEDLLOVERRIDES=mscoree,mshtml=\\;d3d8=n,b")
reef_test(SaverAppTest DESKTOP SaverAppTest.cpp $<TARGET_OBJECTS:resources>)
target_link_libraries(SaverAppTest PRIVATE saverlib)
reef_test(PreviewTest DESKTOP PreviewTest.cpp)
target_link_libraries(PreviewTest PRIVATE saverlib)
reef_test(SceneSetupTest SceneSetupTest.cpp)
target_link_libraries(SceneSetupTest PRIVATE saverlib)
