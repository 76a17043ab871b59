# Sources of this folder are added here as they arrive.
list(APPEND SOLVANE_GUI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinImageStore.cpp ${CMAKE_CURRENT_LIST_DIR}/SkinImageStore.h)
