list(APPEND SOLVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/PluginUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PluginUpdate.h
  ${CMAKE_CURRENT_LIST_DIR}/ReleaseStatement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReleaseStatement.h
  ${CMAKE_CURRENT_LIST_DIR}/StagedUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StagedUpdate.h
  ${CMAKE_CURRENT_LIST_DIR}/TrustedKeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TrustedKeys.h
  ${CMAKE_CURRENT_LIST_DIR}/UpdateFileNames.h
  ${CMAKE_CURRENT_LIST_DIR}/UpdateSignature.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateSignature.h
)
