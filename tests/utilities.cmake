# The version number, the host's file names, the browser launch, the start-at-login entry (read
# back with the desktop's own library) and the skin image store.
pkg_check_modules(GIO_UNIX REQUIRED IMPORTED_TARGET gio-unix-2.0)
solvane_test(util_tests SOURCES UtilTest.cpp LIBS PkgConfig::GIO_UNIX)
# The stop token and the call a worker waits for on the main thread.
solvane_test(stop_token_tests THREADS SOURCES StopTokenTest.cpp)
# The settings file: damaged files, a full disk, a writer killed at any moment.
solvane_test(settings_file_tests SOURCES SettingsFileTest.cpp)
solvane_test(skin_tests GUI SOURCES SkinImageStoreTest.cpp)
# One test reads the skin that the build packs beside the host.
add_dependencies(skin_tests solvane_skin)
# Work a worker hands to the main thread without waiting, for a handler that may go first.
solvane_test(main_thread_post_tests THREADS SOURCES MainThreadPostTest.cpp)
