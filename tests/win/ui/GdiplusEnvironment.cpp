// GDI+ runs for the whole test program.
#include <gtest/gtest.h>

#include <memory>

#include "platform/win/GdiplusSession.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_session = std::make_unique<GdiplusSession>();
        ASSERT_TRUE(m_session->Started());
    }
    void TearDown() override { m_session.reset(); }

private:
    std::unique_ptr<GdiplusSession> m_session;
};

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace
