# Pop-ups: their rules without a display, the windows, and the whole road from the site.
solvane_test(popup_core_tests SOURCES PopupCoreTest.cpp)
solvane_test(popup_dialog_tests GUI SOURCES PopupDialogTest.cpp PopupTestSupport.h LIBS sitesim)
solvane_test(popup_site_tests GUI SOURCES PopupSiteTest.cpp PopupTestSupport.h LIBS sitesim)
# The pop-ups show the pictures of the skin that the build packs beside the host.
add_dependencies(popup_dialog_tests solvane_skin)
add_dependencies(popup_site_tests solvane_skin)
