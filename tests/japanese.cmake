# The program in Japanese: the build's catalogue, the toolkit's and GTK's, and the locale's weekdays.
solvane_test(japanese_tests GUI SOURCES JapaneseTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(japanese_tests solvane_skin solvane_catalogues)
set_property(TEST japanese_tests APPEND PROPERTY ENVIRONMENT "LANG=ja_JP.UTF-8;LANGUAGE=;LC_ALL=;LC_MESSAGES=;LC_TIME=")
