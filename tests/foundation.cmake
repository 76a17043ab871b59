# The HTTP layer, the proxy rule, the site object and the host program.
solvane_test(net_tests THREADS
  SOURCES HttpGetTest.cpp
  LIBS sitesim)
solvane_test(site_tests THREADS SOURCES SiteTest.cpp)
# The host runs from copies of the built program, with modules that work and modules that do not,
# and with the update's pending files.
solvane_test(host_tests GUI SOURCES HostTest.cpp LIBS sitesim)
add_dependencies(host_tests Solvane Solvane_module solvane_skin slow_lookup unload_watch)
target_compile_definitions(host_tests PRIVATE SLOW_LOOKUP="$<TARGET_FILE:slow_lookup>" UNLOAD_WATCH="$<TARGET_FILE:unload_watch>")
# The module shows the host nothing of ours but its exports.
add_test(NAME module_symbols COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/ModuleSymbols.sh $<TARGET_FILE:Solvane_module>)
set_tests_properties(module_symbols PROPERTIES LABELS core)
# Each folder of src/ and sitesim/ includes only what the layer table of docs/architecture.md allows.
add_test(NAME layers COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/Layers.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(layers PROPERTIES LABELS core)
# A loadable module without SiteRun (nor any other export), for the host's refusal and rollback.
add_library(no_entry_module MODULE NoEntryModule.cpp)
add_dependencies(host_tests no_entry_module)
target_compile_definitions(host_tests PRIVATE NO_ENTRY_MODULE="$<TARGET_FILE:no_entry_module>")
# New modules on trial: one that works, one that crashes while it loads, one that crashes in
# SiteRun and one whose SiteRun fails; each notes in the current folder that it was loaded.
foreach(kind works crash_in_constructor crash_in_siterun siterun_fails)
  string(TOUPPER ${kind} define)
  add_library(trial_module_${kind} MODULE TrialModule.cpp)
  target_compile_definitions(trial_module_${kind} PRIVATE TRIAL_${define})
  add_dependencies(host_tests trial_module_${kind})
  target_compile_definitions(host_tests PRIVATE TRIAL_MODULE_${define}="$<TARGET_FILE:trial_module_${kind}>")
endforeach()
# The update a person accepts through the real program: the demo update, signed with the build's
# demo key (none: those cases are skipped).
add_dependencies(host_tests update_demo)
target_compile_definitions(host_tests PRIVATE UPDATE_DEMO_DIR="${CMAKE_BINARY_DIR}/update-demo"
  DEMO_KEY_FILE="${SOLVANE_DEMO_KEY_FILE}")
