# Everyday use: the settings and their checks, the pause, the autostart entry, finding a name.
solvane_test(everyday_tests SOURCES EverydayTest.cpp)
solvane_test(settings_dialog_tests GUI SOURCES SettingsDialogTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(settings_dialog_tests solvane_skin)
