# Sources of this folder are added here as they arrive.
list(APPEND SOLVANE_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AllTreeCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AllTreeCtrl.h
  ${CMAKE_CURRENT_LIST_DIR}/CloseRequest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CloseRequest.h
  ${CMAKE_CURRENT_LIST_DIR}/FavoriteTreeCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FavoriteTreeCtrl.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryListCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryListCtrl.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrame.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameTools.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainMenu.h
  ${CMAKE_CURRENT_LIST_DIR}/NotifyIcon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NotifyIcon.h
  ${CMAKE_CURRENT_LIST_DIR}/NotificationHints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NotificationHints.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PopupDialog.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupDialogManager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PopupDialogManager.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupOutlet.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupSettingsPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PopupSettingsPage.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupSlots.h
  ${CMAKE_CURRENT_LIST_DIR}/UserItemIndex.h
  ${CMAKE_CURRENT_LIST_DIR}/UserListTreeCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserListTreeCtrl.h
  ${CMAKE_CURRENT_LIST_DIR}/UserListTreeItemData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserListTreeItemData.h
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlace.h
)
list(APPEND SOLVANE_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ConfirmBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConfirmBox.h
  ${CMAKE_CURRENT_LIST_DIR}/ServerFailureBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServerFailureBox.h
)
list(APPEND SOLVANE_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AuthenticationDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AuthenticationDialog.h
)
list(APPEND SOLVANE_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SettingsDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsDialog.h
)
