#include <gtest/gtest.h>

#include "app/InstanceName.h"

TEST(InstanceName, OneNamePerUserAndGameInTheSessionNamespace)
{
    const std::wstring a = InstanceMutexName(L"S-1-5-21-1-1000", L"Marnholt");
    EXPECT_EQ(a, L"Local\\quillmerex-S-1-5-21-1-1000-Marnholt");
    EXPECT_NE(a, InstanceMutexName(L"S-1-5-21-1-1001", L"Marnholt")) << "another user";
    EXPECT_NE(a, InstanceMutexName(L"S-1-5-21-1-1000", L"Orvantis")) << "another game";
    // A backslash past the namespace would name a folder of objects.
    EXPECT_EQ(InstanceMutexName(L"S-1", L"Games\\Marnholt"), L"Local\\quillmerex-S-1-Games_Marnholt");
    EXPECT_EQ(InstanceMutexName(L"", L""), L"Local\\quillmerex--");
}

TEST(InstanceName, AnotherLauncherHoldsTheMutexWhenItExistsOrCannotBeOpened)
{
    EXPECT_EQ(JudgeInstanceMutex(true, 0), InstanceMutexState::Ours);
    EXPECT_EQ(JudgeInstanceMutex(true, 183), InstanceMutexState::HeldByAnother);
    // An elevated launcher's mutex, seen from one without rights.
    EXPECT_EQ(JudgeInstanceMutex(false, 5), InstanceMutexState::HeldByAnother);
    EXPECT_EQ(JudgeInstanceMutex(false, 1450), InstanceMutexState::Unknown);
}
