# The main window's parts, on a virtual display.
solvane_test(tree_tests GUI SOURCES UserTreesTest.cpp)
solvane_test(main_frame_tests GUI SOURCES MainFrameTest.cpp)
