# Settings tables, registry values and the configuration dialog. Both
# programs own the program's settings key while they run (the key is fixed),
# so they run alone.
reef_test(SettingsRegistryTest DESKTOP SettingsRegistryTest.cpp)
target_link_libraries(SettingsRegistryTest PRIVATE saverlib)
reef_test(ConfigDialogTest DESKTOP ConfigDialogTest.cpp $<TARGET_OBJECTS:resources>)
target_link_libraries(ConfigDialogTest PRIVATE saverlib)
