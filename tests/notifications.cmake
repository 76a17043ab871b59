# The desktop's notifications: the pop-ups sent to a real notification service (dunst) on a
# session bus of the test's own.
solvane_test(desktop_notifier_tests GUI SOURCES DesktopNotifierTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(desktop_notifier_tests solvane_skin)
