# The account: the login check's request and reply.
solvane_test(login_check_tests SOURCES LoginCheckTest.cpp UserStatuses.h)
