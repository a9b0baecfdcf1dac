// Every failure text of the road and the exit code an unattended run ends
// with for it; a player's run keeps the message loop's code.
#include <gtest/gtest.h>

#include "app/RoadOutcome.h"
#include "tasks/StatusTexts.h"

namespace {

TEST(RoadOutcome, EachFailureTextGivesItsExitCode)
{
    using namespace status;
    const std::pair<std::wstring, int> cases[] = {
        {kNoConnection, 2},
        {kNoSession, 2},
        {WithCode(kAddressUnavailable, 12007), 2},
        {WithCode(kConnectionError, 404), 2},
        {WithCode(kConnectionError, 12030), 2},
        {kDiskFull, 4},
        {kCannotCreate, 4},
        {WithCode(kWriteError, 112), 4},
        {WithCode(kWriteError, 5), 4},
        {kHashMismatch, 5},
        {kInvalidPin, 5},
        {WithCode(kBadSignature, 0x800B0100), 5},
        {WithCode(kManifestInvalid, 3), 5},
        {WithCode(kCannotStart, 193), 6},
        {WithCode(kCannotStart, 2), 6},
        {WithCode(kCannotStart, 1223), 7},
        {WithCode(kCannotStart, 12230), 6},
        {kNotCompleted, 6},
        {kWaitError, 6},
        {kNoStartProgram, 6},
        {WithCode(kGameNotStarted, 2), 1},
        {kStopped, 8},
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(ExitCodeFor(OutcomeOfFailure(text)), code) << testing::PrintToString(text);
}

TEST(RoadOutcome, OnlyAnUnattendedRunTellsTheRoadsEnd)
{
    EXPECT_EQ(RunExitCode(false, true, RoadOutcome::NetworkFailed, 0), 0);
    EXPECT_EQ(RunExitCode(false, false, RoadOutcome::GameStarted, 0), 0);
    EXPECT_EQ(RunExitCode(true, true, RoadOutcome::GameStarted, 0), 0);
    EXPECT_EQ(RunExitCode(true, true, RoadOutcome::Refused, 0), 5);
    // Closed before the road ended.
    EXPECT_EQ(RunExitCode(true, false, RoadOutcome::GameStarted, 0), 8);
}

}  // namespace
