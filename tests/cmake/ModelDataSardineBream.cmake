# The sardine's and the bream's compiled-in model data and skins: the data
# as linked, then loaded and drawn on Wine's device.
reef_test(ModelDataSardineBreamTest ModelDataSardineBreamTest.cpp support/NoStoredChoice.cpp)
target_link_libraries(ModelDataSardineBreamTest PRIVATE sardinebreammodels)
# The bream's pose mesh through the program's partial-morph build (which
# converts the static pose array, so in a process of its own).
reef_test(ModelDataBreamMorphTest ModelDataBreamMorphTest.cpp)
target_link_libraries(ModelDataBreamMorphTest PRIVATE saverlib)
