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
target_link_libraries(tasks_wine_tests PRIVATE tasks_core platform_win_tasks ws2_32 shell32)
add_dependencies(tasks_wine_tests tasks_child)

# The download worker against real servers: Debian's nginx and tinyproxy on
# free loopback ports, started by net_servers.py before the tests and ended
# after them (a CTest fixture), with their configuration, certificates and
# logs in the build folder.
set(NET_SERVERS_DIR ${CMAKE_CURRENT_BINARY_DIR}/net-servers)
set(NET_SERVERS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/tasks/net_servers.py)
add_test(NAME net_servers.start COMMAND /usr/bin/python3 ${NET_SERVERS_SCRIPT} start ${NET_SERVERS_DIR})
add_test(NAME net_servers.stop COMMAND /usr/bin/python3 ${NET_SERVERS_SCRIPT} stop ${NET_SERVERS_DIR})
set_tests_properties(net_servers.start PROPERTIES FIXTURES_SETUP net_servers)
set_tests_properties(net_servers.stop PROPERTIES FIXTURES_CLEANUP net_servers)
add_executable(net_wine_tests ${CMAKE_CURRENT_LIST_DIR}/tasks/NetWineTest.cpp ${CMAKE_CURRENT_LIST_DIR}/tasks/TempFolder.cpp)
target_link_libraries(net_wine_tests PRIVATE gtest_main tasks_core platform_win_tasks crypt32 shell32 wininet)
gtest_discover_tests(net_wine_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES FIXTURES_REQUIRED net_servers ENVIRONMENT "QMX_NET_SERVERS=${NET_SERVERS_DIR}/servers.txt")
