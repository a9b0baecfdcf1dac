# The Windows implementations of the task seams: WinINet, files and
# processes. (The thread seam is part of tasks_core.)
if(WIN32)
  add_library(platform_win_tasks STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AbandonableCaller.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinHttpClient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinHttpSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinHttpRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinFileSystem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinProcessRunner.cpp)
  target_include_directories(platform_win_tasks PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(platform_win_tasks PUBLIC wininet)
endif()
