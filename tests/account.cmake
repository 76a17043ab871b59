# The account: the login check's request and reply, the account dialog, the favourites download.
solvane_test(login_check_tests SOURCES LoginCheckTest.cpp UserStatuses.h)
solvane_test(authentication_dialog_tests GUI SOURCES AuthenticationDialogTest.cpp)
