# The polling thread, Basic authentication and background downloads.
solvane_test(daemon_thread_tests THREADS SOURCES DaemonThreadTest.cpp LIBS sitesim)
solvane_test(download_thread_tests THREADS SOURCES DownloadThreadTest.cpp LIBS sitesim)
solvane_test(settings_thread_tests THREADS SOURCES SettingsThreadTest.cpp)
