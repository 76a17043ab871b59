# What a person installs: the catalogues, the installed tree and the whole program seen from outside.
add_test(NAME catalogue COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/Catalogue.sh ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(catalogue PROPERTIES LABELS core)
