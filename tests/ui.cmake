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
# A performer's card: opened from the History page, its chart drawn and described, on a full history.
solvane_test(performer_card_tests GUI SOURCES PerformerCardTest.cpp)
target_include_directories(performer_card_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
# The card on days of simulated history, left up for a look (docs/card-screenshot.sh).
add_executable(performer_card_show PerformerCardShow.cpp)
target_compile_options(performer_card_show PRIVATE -Wall -Wextra)
target_include_directories(performer_card_show PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/bench)
target_link_libraries(performer_card_show PRIVATE solvane_gui)
target_include_directories(history_page_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
# What a screen reader reads of the real program, on buses of the test's own (skipped without
# the system Python's Atspi or the accessibility bus).
add_test(NAME accessibility COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/Accessibility.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(accessibility PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 120 SKIP_RETURN_CODE 77
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
