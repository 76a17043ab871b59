# Users and their differences, the performer list parser, the refresh and its failure box.
solvane_test(user_list_tests SOURCES UserListTest.cpp PerformerListParserTest.cpp UserStatuses.h)
solvane_test(update_user_list_tests THREADS SOURCES UpdateUserListTest.cpp UserStatuses.h LIBS sitesim)
solvane_test(server_failure_box_tests GUI SOURCES ServerFailureBoxTest.cpp WindowTest.h LIBS sitesim)
# The history: its store, the recorder and the page's rows, on databases in a temporary folder.
solvane_test(history_tests SOURCES HistoryTest.cpp UserStatuses.h)
