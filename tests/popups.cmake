# Pop-ups: names in addresses and picture headers without a display, then the windows and the
# whole road from the simulated site.
solvane_test(popup_core_tests SOURCES PopupCoreTest.cpp)
solvane_test(popup_tests GUI SOURCES PopupTest.cpp WindowTest.h LIBS sitesim)
# The pop-ups show the pictures of the skin that the build packs beside the host.
add_dependencies(popup_tests solvane_skin)
# The pictures again on a screen scaled by 2.
add_test(NAME popup_tests_scaled COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:popup_tests>
  --gtest_filter=PopupTest.ShowsThePicture*)
file(MAKE_DIRECTORY ${SOLVANE_TEST_HOME}/popup_tests_scaled)
set_tests_properties(popup_tests_scaled PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV};GDK_SCALE=2;HOME=${SOLVANE_TEST_HOME}/popup_tests_scaled;XDG_CONFIG_HOME=${SOLVANE_TEST_HOME}/popup_tests_scaled/config")
# The pop-up window itself: its place beside the notification area's icon.
solvane_test(popup_window_tests GUI SOURCES PopupWindowTest.cpp)
# The real program against a busy site with a low cap: no minute holds more pop-ups than the cap,
# and one summary tells of the rest (about 70 seconds).
add_test(NAME popup_cap COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/PopupCap.sh ${CMAKE_BINARY_DIR} $<IF:$<OR:$<BOOL:${SOLVANE_SANITIZE}>,$<BOOL:${SOLVANE_TSAN}>>,3,1>)
set_tests_properties(popup_cap PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
