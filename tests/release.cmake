# What a person installs: the catalogues, the installed tree and the whole program seen from outside.
add_test(NAME catalogue COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/Catalogue.sh ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(catalogue PROPERTIES LABELS core)
add_test(NAME install COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  sh ${CMAKE_CURRENT_SOURCE_DIR}/Install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# The package as Debian judges it; only the normal build makes one.
if(NOT SOLVANE_SANITIZE AND NOT SOLVANE_TSAN)
  add_test(NAME package COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/Package.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(package PROPERTIES LABELS core TIMEOUT 300 RUN_SERIAL TRUE)
endif()
# Time limits three times longer in the sanitizer builds.
if(SOLVANE_SANITIZE OR SOLVANE_TSAN)
  set(SOLVANE_TIME_SCALE 3)
else()
  set(SOLVANE_TIME_SCALE 1)
endif()
add_test(NAME end_to_end COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/EndToEnd.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(end_to_end PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# Boxes and exits through a window manager: no box of the toolkit's, a close that waits for a box.
add_test(NAME boxes COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/Boxes.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(boxes PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# A performer's pop-up choice made through the All page's real context menu, kept over a restart.
add_test(NAME popup_choice_restart COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/PopupChoiceRestart.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(popup_choice_restart PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 120
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# GNOME's compositor, headless: through XWayland as GNOME starts programs, and on Wayland alone.
find_program(DBUS_RUN_SESSION dbus-run-session REQUIRED)
add_test(NAME gnome_desktop COMMAND ${DBUS_RUN_SESSION} -- bash ${CMAKE_CURRENT_SOURCE_DIR}/GnomeDesktop.sh
  ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(gnome_desktop PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# Every fault of the simulated site on each kind of request, the event loop timed from inside the
# real program by a GTK module.
add_library(event_loop_probe MODULE EventLoopProbe.cpp)
target_link_libraries(event_loop_probe PRIVATE ${CMAKE_DL_LIBS})
add_test(NAME fault_matrix COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/FaultMatrix.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:event_loop_probe> ${SOLVANE_TIME_SCALE})
set_tests_properties(fault_matrix PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 1200
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# The real program's first list of 100,000 performers and the busy polls after it, the event loop
# timed from inside as in the fault matrix.
add_test(NAME large_list COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/LargeList.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:event_loop_probe> ${SOLVANE_TIME_SCALE})
set_tests_properties(large_list PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# What the program answers without a display: its version, its usage, and a mistake in its options.
add_test(NAME command_line COMMAND sh -c "\
  test \"$(env -u DISPLAY -u WAYLAND_DISPLAY \"$0\" --version)\" = \"Solvane $1\" && \
  env -u DISPLAY \"$0\" --help | grep -q '^Usage: Solvane ' && \
  env -u DISPLAY \"$0\" --help | grep -q -- '--version' && \
  { env -u DISPLAY \"$0\" --probe --no-such-option 2>&1 >/dev/null | grep -q \"unknown option '--no-such-option'\"; \
    env -u DISPLAY \"$0\" --no-such-option 2>/dev/null; test $? -eq 2; }"
  $<TARGET_FILE:Solvane> ${PROJECT_VERSION})
# The pop-up window through a window manager and a notification area that reserves no room; a low
# screen, so that pop-ups wait for a slot.
add_test(NAME popup_window COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x480x24"
  bash ${CMAKE_CURRENT_SOURCE_DIR}/PopupWindow.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(popup_window PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
# The icon in a panel that shows the session bus's items (a private bus, with the tray as the
# fallback before the panel starts).
add_test(NAME status_notifier COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
  dbus-run-session -- bash ${CMAKE_CURRENT_SOURCE_DIR}/StatusNotifier.sh ${CMAKE_BINARY_DIR} ${SOLVANE_TIME_SCALE})
set_tests_properties(status_notifier PROPERTIES LABELS gui RUN_SERIAL TRUE TIMEOUT 300
  ENVIRONMENT "${SOLVANE_TEST_ENV}")
