# Measuring programs (scripts/bench.sh, scripts/soak.sh) and the tests of
# the frame's allocation-free paths.
set(BENCH_DIR ${CMAKE_SOURCE_DIR}/tests/bench)
# The frame-counting d3d8.dll and the programs it measures, in one directory:
# a program started from there with d3d8=n,b loads it instead of Wine's.
set(FRAMEMETER_DIR ${CMAKE_BINARY_DIR}/framemeter)

add_library(framemeter SHARED ${BENCH_DIR}/FrameMeter.cpp ${BENCH_DIR}/VtablePatch.cpp ${BENCH_DIR}/FrameMeter.def)
set_target_properties(framemeter PROPERTIES PREFIX "" OUTPUT_NAME d3d8
  RUNTIME_OUTPUT_DIRECTORY ${FRAMEMETER_DIR} ARCHIVE_OUTPUT_DIRECTORY ${FRAMEMETER_DIR}/lib)

# The empty frame of the same stack: the framework's window and device, clear and present.
add_executable(EmptyFrame WIN32 ${BENCH_DIR}/EmptyFrame.cpp $<TARGET_OBJECTS:resources>)
target_link_libraries(EmptyFrame PRIVATE engine platform)
set_target_properties(EmptyFrame PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${FRAMEMETER_DIR})

add_custom_command(OUTPUT ${FRAMEMETER_DIR}/ReefGlow3.scr
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ReefGlow3> ${FRAMEMETER_DIR}/ReefGlow3.scr
  DEPENDS ReefGlow3
  COMMENT "Copying ReefGlow3.scr beside the frame meter"
  VERBATIM)
add_custom_target(framemeterprograms ALL DEPENDS ${FRAMEMETER_DIR}/ReefGlow3.scr framemeter EmptyFrame)

# The scene's own costs, timed in process on the real device.
add_executable(SceneBench ${BENCH_DIR}/SceneBench.cpp ${BENCH_DIR}/VtablePatch.cpp $<TARGET_OBJECTS:resources>)
target_link_libraries(SceneBench PRIVATE saverlib)
target_include_directories(SceneBench PRIVATE ${BENCH_DIR})

# The soak's sampler: runs the saver as a debuggee, samples memory and handles.
add_executable(SoakMonitor ${BENCH_DIR}/SoakMonitor.cpp)
target_link_libraries(SoakMonitor PRIVATE testsupport psapi)

set_property(GLOBAL APPEND PROPERTY REEF_PROGRAMS $<TARGET_FILE:framemeter> $<TARGET_FILE:EmptyFrame>
  $<TARGET_FILE:SceneBench> $<TARGET_FILE:SoakMonitor>)

reef_test(FrameAllocationTest ${BENCH_DIR}/FrameAllocationTest.cpp support/NoStoredChoice.cpp)

# The soak's frame-rate judgement on made-up logs (no Wine needed).
add_test(NAME FrameRateJudge COMMAND bash ${BENCH_DIR}/FrameRateJudgeTest.sh)

# A short soak of the real saver (two minutes: the first is the heap
# settling): flat memory and handles, no result trace. It owns the
# program's one window.
add_test(NAME SaverSoakShort COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/soak.sh 2)
set_tests_properties(SaverSoakShort PROPERTIES RUN_SERIAL TRUE TIMEOUT 240
  ENVIRONMENT "REEF_SOAK_IN_SUITE=1;REEF_BUILD_DIR=${CMAKE_BINARY_DIR}")
