#pragma once
// Test builds only (add_launcher's TEST_TRIGGERS; the shipped launcher
// never compiles this): switches that make the launcher crash or hang on
// purpose once its window is up, for the tests of its dumps.
//   /test-crash     an access violation on a thread of its own
//   /test-abort     abort() on the window's thread
//   /test-purecall  a pure virtual call on the window's thread
//   /test-hang      the window's thread sleeps 20 s, then goes on
//   /test-overflow  a stack overflow on the window's thread
// Each logs "test: <switch> on thread <id>" first, so that a test can
// check which thread the dump names.
#include <string>
#include <vector>

class ILog;

void RunTestTriggers(const std::vector<std::wstring>& switches, ILog* log);
