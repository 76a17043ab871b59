# The self-update: file downloads, the module's update export and the host's side of it.
solvane_test(download_file_tests SOURCES DownloadFileTest.cpp LIBS sitesim)
solvane_test(plugin_update_tests SOURCES PluginUpdateTest.cpp LIBS sitesim)
# The host's side of the update (pending modules, closing during the check) is tested with the host
# in the foundation tests, its trial and rollback in the host's session below.
# A module whose window has a native message box over it, for the host's exit under a signal.
add_library(native_box_module MODULE NativeBoxModule.cpp)
target_include_directories(native_box_module SYSTEM PRIVATE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(native_box_module PRIVATE ${wxWidgets_DEFINITIONS})
target_compile_options(native_box_module PRIVATE ${wxWidgets_CXX_FLAGS} -Wall -Wextra)
target_link_libraries(native_box_module PRIVATE ${wxWidgets_LIBRARIES})
# The host's session: one program per person, a new module's trial through every interruption,
# and a signal whatever box is up. The modules: the new one on trial is the real module (the
# trial module that works stands for the previous one), the foundation tests' modules that do not
# start, one that crashes a second into its trial, and the native box's.
solvane_test(host_session_tests GUI SOURCES HostSessionTest.cpp LIBS sitesim)
add_dependencies(host_session_tests Solvane Solvane_module solvane_skin native_box_module trial_module_works
  trial_module_crash_in_constructor trial_module_crash_in_siterun trial_module_siterun_fails no_entry_module update_demo)
add_library(trial_module_crash_later MODULE TrialModule.cpp)
target_compile_definitions(trial_module_crash_later PRIVATE TRIAL_CRASH_LATER)
add_dependencies(host_session_tests trial_module_crash_later)
target_compile_definitions(host_session_tests PRIVATE
  TRIAL_MODULE_WORKS="$<TARGET_FILE:trial_module_works>"
  TRIAL_MODULE_CRASH_IN_CONSTRUCTOR="$<TARGET_FILE:trial_module_crash_in_constructor>"
  TRIAL_MODULE_CRASH_IN_SITERUN="$<TARGET_FILE:trial_module_crash_in_siterun>"
  TRIAL_MODULE_SITERUN_FAILS="$<TARGET_FILE:trial_module_siterun_fails>"
  NO_ENTRY_MODULE="$<TARGET_FILE:no_entry_module>"
  TRIAL_MODULE_CRASH_LATER="$<TARGET_FILE:trial_module_crash_later>"
  NATIVE_BOX_MODULE="$<TARGET_FILE:native_box_module>"
  DEMO_KEY_FILE="${SOLVANE_DEMO_KEY_FILE}")
