# The HTTP layer, the proxy rule, the site object and the host program.
solvane_test(net_tests THREADS
  SOURCES HttpGetTest.cpp ProxyTest.cpp
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
# A loadable module without SiteRun (nor any other export), for the host's refusal and rollback.
add_library(no_entry_module MODULE NoEntryModule.cpp)
add_dependencies(host_tests no_entry_module)
target_compile_definitions(host_tests PRIVATE NO_ENTRY_MODULE="$<TARGET_FILE:no_entry_module>")
