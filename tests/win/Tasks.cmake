# The tasks subsystem on the real platform: WinINet against a loopback
# server started by the tests, files in folders of their own, and a small
# child program that plays the installer or a launcher being closed.
add_executable(tasks_child ${CMAKE_CURRENT_LIST_DIR}/tasks/TaskChildProgram.cpp)
target_link_options(tasks_child PRIVATE -municode)
target_link_libraries(tasks_child PRIVATE tasks_core platform_win_tasks)

add_wine_test(tasks_wine_tests
  ${CMAKE_CURRENT_LIST_DIR}/tasks/LoopbackServer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/TempFolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/DownloadWineTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/InstallWineTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/ShutdownWineTest.cpp)
target_link_libraries(tasks_wine_tests PRIVATE tasks_core platform_win_tasks ws2_32)
add_dependencies(tasks_wine_tests tasks_child)
