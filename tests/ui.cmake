# The main window's parts, on a virtual display.
solvane_test(tree_tests GUI SOURCES UserTreesTest.cpp UserStatuses.h)
solvane_test(main_frame_tests GUI SOURCES MainFrameTest.cpp)
# The label test reads the Japanese catalogue that the build puts beside the host.
add_dependencies(tree_tests solvane_catalogues)
