# The tasks subsystem: workers and manager with fake seams. The threading
# tests run a second time in a build with ThreadSanitizer when the compiler
# and this machine support it (option TASKS_TSAN).
set(TASKS_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tasks/CThreadTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/DownloadRulesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/DownloadWorkerTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/InstallWorkerTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tasks/TaskManagerTest.cpp)

add_executable(tasks_tests ${TASKS_TEST_SOURCES})
target_link_libraries(tasks_tests PRIVATE tasks_core GTest::gtest_main)
gtest_discover_tests(tasks_tests)

option(TASKS_TSAN "Also run the task tests under ThreadSanitizer" ON)
if(TASKS_TSAN)
  include(CheckCXXSourceRuns)
  set(CMAKE_REQUIRED_FLAGS "-fsanitize=thread")
  set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=thread")
  check_cxx_source_runs("#include <thread>
    int main() { int x = 0; std::thread t([&] { x = 1; }); t.join(); return x - 1; }" TASKS_TSAN_WORKS)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(TASKS_TSAN_WORKS)
    # The task sources again, instrumented, so that every access of the
    # workers and the manager is watched.
    add_executable(tasks_tsan_tests ${TASKS_TEST_SOURCES}
      ${CMAKE_SOURCE_DIR}/tasks/CThread.cpp
      ${CMAKE_SOURCE_DIR}/tasks/CDownloadFileThread.cpp
      ${CMAKE_SOURCE_DIR}/tasks/DownloadRules.cpp
      ${CMAKE_SOURCE_DIR}/tasks/CInstallThread.cpp
      ${CMAKE_SOURCE_DIR}/tasks/CTaskManger.cpp
      ${CMAKE_SOURCE_DIR}/platform/native/NativeThreads.cpp
      ${CMAKE_SOURCE_DIR}/platform/native/NativeClock.cpp)
    target_compile_options(tasks_tsan_tests PRIVATE -fsanitize=thread -g -O1)
    target_link_options(tasks_tsan_tests PRIVATE -fsanitize=thread)
    target_link_libraries(tasks_tsan_tests PRIVATE GTest::gtest_main Threads::Threads)
    gtest_discover_tests(tasks_tsan_tests TEST_PREFIX tsan.
      PROPERTIES ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")
  else()
    message(STATUS "ThreadSanitizer does not run here; tasks_tsan_tests left out")
  endif()
endif()
