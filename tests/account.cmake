# The account: the login check's request and reply, the account dialog, the favourites download.
solvane_test(login_check_tests SOURCES LoginCheckTest.cpp UserStatuses.h)
solvane_test(site_address_tests SOURCES SiteAddressTest.cpp)
solvane_test(account_tests GUI SOURCES AccountTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(account_tests solvane_skin)
# The password in the desktop's keyring, the file without one, and the login at start, from outside.
find_program(DBUS_RUN_SESSION dbus-run-session REQUIRED)
add_test(NAME keyring COMMAND ${DBUS_RUN_SESSION} -- ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/Keyring.sh ${CMAKE_BINARY_DIR} $<IF:$<OR:$<BOOL:${SOLVANE_SANITIZE}>,$<BOOL:${SOLVANE_TSAN}>>,3,1>)
set_tests_properties(keyring PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 180
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
