# The main window's parts, on a virtual display.
solvane_test(tree_tests GUI SOURCES UserTreesTest.cpp UserStatuses.h)
# The main window's test stands in for a window manager and a notification area through Xlib.
find_package(X11 REQUIRED)
solvane_test(main_frame_tests GUI SOURCES MainFrameTest.cpp WindowTest.h LIBS X11::X11 sitesim)
add_dependencies(main_frame_tests solvane_skin)
# The History page and the favourites' last-seen tooltip.
solvane_test(history_page_tests GUI SOURCES HistoryPageTest.cpp UserStatuses.h)
