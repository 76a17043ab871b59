# The self-update: file downloads, the module's update export and the host's side of it.
solvane_test(download_file_tests SOURCES DownloadFileTest.cpp LIBS sitesim)
solvane_test(plugin_update_tests SOURCES PluginUpdateTest.cpp LIBS sitesim)
# The host's side of the update (pending modules, rollback, closing during the check) is tested
# with the host in the foundation tests.
# The update's own files: links at their names, parts left by a killed transfer, sizes.
solvane_test(update_files_tests SOURCES UpdateFilesTest.cpp LIBS sitesim)
