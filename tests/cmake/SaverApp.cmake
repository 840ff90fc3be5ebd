# The screensaver program: its rules in process, the application on Wine's
# device, and the real ReefGlow3.scr run as a process.
reef_test(SaverLogicTest SaverLogicTest.cpp)
target_link_libraries(SaverLogicTest PRIVATE saverlib)
reef_test(SaverAppTest DESKTOP SaverAppTest.cpp $<TARGET_OBJECTS:resources>)
target_link_libraries(SaverAppTest PRIVATE saverlib)
