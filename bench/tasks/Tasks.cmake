# The download benchmark (download_bench.exe): the real download worker
# against a loopback server; run it with run_download_bench.sh here.
# Windows only.
add_executable(download_bench ${CMAKE_CURRENT_LIST_DIR}/DownloadBench.cpp)
target_link_options(download_bench PRIVATE -municode)
target_link_libraries(download_bench PRIVATE tasks_core platform_win_tasks)
set_target_properties(download_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench/tasks)

# The recovery benchmark (recovery_bench.exe): the real download worker
# against a server that resets the connection every few MB, beside a clean
# download; run it with run_recovery_bench.sh.
add_executable(recovery_bench ${CMAKE_CURRENT_LIST_DIR}/RecoveryBench.cpp)
target_link_options(recovery_bench PRIVATE -municode)
target_link_libraries(recovery_bench PRIVATE tasks_core platform_win_tasks)
set_target_properties(recovery_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench/tasks)
