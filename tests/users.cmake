# Users and their differences, the performer list parser, the refresh and its failure box.
solvane_test(user_list_tests SOURCES UserListTest.cpp UserListModelTest.cpp PerformerListParserTest.cpp UserStatuses.h)
solvane_test(update_user_list_tests THREADS SOURCES UpdateUserListTest.cpp UserStatuses.h LIBS sitesim)
solvane_test(server_failure_box_tests GUI SOURCES ServerFailureBoxTest.cpp WindowTest.h LIBS sitesim)
# The box's pointer to the settings is read in Japanese too, from the catalogue beside the host.
add_dependencies(server_failure_box_tests solvane_catalogues)
# The history: its store, the recorder and the page's rows, on databases in a temporary folder.
solvane_test(history_tests SOURCES HistoryTest.cpp UserStatuses.h)
# One performer's sessions, last times and weekly chart over three runs, read beside the writer.
solvane_test(history_sessions_tests SOURCES HistorySessionsTest.cpp UserStatuses.h)
target_include_directories(history_sessions_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
# The long histories come from the benchmarks' generator.
target_include_directories(history_tests PRIVATE ${PROJECT_SOURCE_DIR}/bench)
# A long history made in one go, for the exit test on the real program and for measurements.
add_executable(history_fill ${PROJECT_SOURCE_DIR}/bench/HistoryFillMain.cpp ${PROJECT_SOURCE_DIR}/bench/HistoryFill.h
  ${PROJECT_SOURCE_DIR}/bench/HistoryWeek.h)
target_compile_options(history_fill PRIVATE -Wall -Wextra)
target_link_libraries(history_fill PRIVATE solvane_core)
# The real program on a million old events with one day kept: the first list and the end come on
# time while the clean-up runs, and the file stays whole (needs the sqlite3 program).
add_test(NAME history_exit COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/HistoryExit.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(history_exit PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# The history's report and export from the command line, while the real program writes it and
# after (needs the sqlite3 program).
add_test(NAME history_command_line COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/HistoryCommandLine.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(history_command_line PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
