# Pop-ups: names in addresses and picture headers without a display, then the windows and the
# whole road from the simulated site.
solvane_test(popup_core_tests SOURCES PopupCoreTest.cpp)
solvane_test(popup_tests GUI SOURCES PopupTest.cpp WindowTest.h LIBS sitesim)
# The pop-ups show the pictures of the skin that the build packs beside the host.
add_dependencies(popup_tests solvane_skin)
