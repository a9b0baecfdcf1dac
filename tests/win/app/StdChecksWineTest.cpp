// The standard library's own checks in the Windows builds: a broken
// precondition still ends the process at once (cmake/StdAssertAbort.h
// takes away only the message texts).
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

TEST(StdChecks, ABrokenPreconditionEndsTheProcess)
{
    const std::wstring text = L"ab";
    const std::vector<int> numbers{1, 2};
    volatile size_t past = 5;  // not known to the compiler
    EXPECT_DEATH(static_cast<void>(text[past]), "");
    EXPECT_DEATH(static_cast<void>(numbers[past]), "");
    EXPECT_DEATH(static_cast<void>(std::wstring().back()), "");
}

}  // namespace
