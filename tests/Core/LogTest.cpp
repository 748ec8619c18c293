#include "Core/PLog.h"
#include "Platform/D3D9.h"
#include "Platform/DXErr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
struct Report
{
    int32_t level;
    std::string text;
};

// Catches what the log prints while it lives.
class LogSinkFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GetLog().SetSink([this](int32_t level, const std::string& text) { reports.push_back({ level, text }); });
    }
    void TearDown() override { GetLog().SetSink(nullptr); }
    std::vector<Report> reports;
};
using Log = LogSinkFixture;
}

TEST_F(Log, DXErrorReportFormat)
{
    ReportDXError("Render/PTexture", 42, E_OUTOFMEMORY);
    ReportDXError("Sound/NSound", 7, E_FAIL, 1);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].level, 0);
    EXPECT_EQ(reports[0].text, std::string("DXError if Render/PTexture on line 42\nE_OUTOFMEMORY\n")
                                   + DXGetErrorDescription9A(E_OUTOFMEMORY) + "\n");
    EXPECT_EQ(reports[1].level, 1);
    EXPECT_EQ(reports[1].text.rfind("DXError if Sound/NSound on line 7\nE_FAIL\n", 0), 0u);
}

TEST_F(Log, SinkFailureNeverReachesTheCaller)
{
    GetLog().SetSink([](int32_t, const std::string&) { throw std::runtime_error("sink broke"); });
    EXPECT_NO_THROW(ReportDXError("Render/PEffect", 1, E_FAIL));
}

TEST(LogWithoutSink, PrintsNothingAnywhere)
{
    EXPECT_EQ(&GetLog(), &GetLog());
    const auto here = std::filesystem::current_path();
    const auto before = std::distance(std::filesystem::directory_iterator(here), {});
    GetLog().Print(0, "%s %d", "nothing", 1);
    ReportDXError("Render/PRender", 3, E_INVALIDARG);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(here), {}), before);
}

TEST(DXErr, NamesKnownCodesAndSaysUnknownOtherwise)
{
    EXPECT_STREQ(DXGetErrorString9A(S_OK), "S_OK");
    EXPECT_STREQ(DXGetErrorString9A(E_INVALIDARG), "E_INVALIDARG");
    EXPECT_STREQ(DXGetErrorString9A(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
    EXPECT_STRNE(DXGetErrorDescription9A(E_INVALIDARG), DXGetErrorDescription9A(E_FAIL));
    const HRESULT strange = static_cast<HRESULT>(0x8123ABCDu);
    EXPECT_STREQ(DXGetErrorString9A(strange), "Unknown");
    EXPECT_STRNE(DXGetErrorDescription9A(strange), "");
}
