# The self-update: file downloads, the module's update export and the host's side of it.
solvane_test(download_file_tests SOURCES DownloadFileTest.cpp LIBS sitesim)
solvane_test(plugin_update_tests SOURCES PluginUpdateTest.cpp LIBS sitesim)
# The host runs from copies of the built program, with modules that work and modules that do not
# (the one without exports comes from the foundation tests).
solvane_test(host_update_tests GUI SOURCES HostUpdateTest.cpp LIBS sitesim)
add_dependencies(host_update_tests Solvane Solvane_module solvane_skin no_entry_module)
target_compile_definitions(host_update_tests PRIVATE NO_EXPORTS_MODULE="$<TARGET_FILE:no_entry_module>")
