# The account: the login check's request and reply, the account dialog, the favourites download.
solvane_test(login_check_tests SOURCES LoginCheckTest.cpp UserStatuses.h)
solvane_test(site_address_tests SOURCES SiteAddressTest.cpp)
solvane_test(account_tests GUI SOURCES AccountTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(account_tests solvane_skin)
