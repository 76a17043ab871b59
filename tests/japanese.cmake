# The program in Japanese, on a virtual display. The locale ja_JP.UTF-8 gives the weekdays (the
# Makefile makes it); the catalogues are the build's and the toolkit's (wx3.2-i18n).
solvane_test(japanese_tests GUI SOURCES JapaneseTest.cpp WindowTest.h LIBS sitesim)
add_dependencies(japanese_tests solvane_skin solvane_catalogues)
set_property(TEST japanese_tests APPEND PROPERTY ENVIRONMENT "LANG=ja_JP.UTF-8;LANGUAGE=;LC_ALL=;LC_MESSAGES=;LC_TIME=")
