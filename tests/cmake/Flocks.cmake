# Flocks and their movers: pure logic with a scripted random source.
reef_test(MoversTest MoversTest.cpp)
target_link_libraries(MoversTest PRIVATE saverlib)
