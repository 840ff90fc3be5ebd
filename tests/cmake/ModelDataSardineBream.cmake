# The sardine's and the bream's compiled-in model data and skins: the data
# as linked, then loaded and drawn on Wine's device.
reef_test(ModelDataSardineBreamTest ModelDataSardineBreamTest.cpp support/NoStoredChoice.cpp)
target_link_libraries(ModelDataSardineBreamTest PRIVATE sardinebreammodels)
