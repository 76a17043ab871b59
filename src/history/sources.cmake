# The history of comings and goings: the SQLite store, the recorder and the page's rows.
list(APPEND SOLVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HistoryStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryStore.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryStoreRead.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryFile.h
  ${CMAKE_CURRENT_LIST_DIR}/SqliteStatement.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryRecorder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryRecorder.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryReport.h
  ${CMAKE_CURRENT_LIST_DIR}/HistorySessions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistorySessions.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryView.h
)
