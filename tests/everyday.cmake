# Everyday use: the settings and their checks, the pause, finding a name (the autostart entry is
# with the utilities).
solvane_test(everyday_tests SOURCES EverydayTest.cpp)
solvane_test(settings_dialog_tests GUI SOURCES SettingsDialogTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(settings_dialog_tests solvane_skin)
