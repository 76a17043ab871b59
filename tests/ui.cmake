# The main window's parts, on a virtual display.
solvane_test(tree_tests GUI SOURCES UserTreesTest.cpp UserStatuses.h)
# The main window's test stands in for a window manager and a notification area through Xlib.
find_package(X11 REQUIRED)
solvane_test(main_frame_tests GUI SOURCES MainFrameTest.cpp WindowTest.h LIBS X11::X11 sitesim)
add_dependencies(main_frame_tests solvane_skin)
# The label test reads the Japanese catalogue that the build puts beside the host.
add_dependencies(tree_tests solvane_catalogues)
# The History page and the favourites' last-seen tooltip.
solvane_test(history_page_tests GUI SOURCES HistoryPageTest.cpp UserStatuses.h)
target_include_directories(history_page_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
