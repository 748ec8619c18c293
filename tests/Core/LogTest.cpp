#include "Core/PLog.h"
#include "Platform/D3D9.h"
#include "Platform/DXErr.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

// Sets VELTRIX_LOG (null: unsets it) while it lives, then puts back what was there.
class ScopedLogVariable
{
public:
    explicit ScopedLogVariable(const char* value)
        : m_had(std::getenv("VELTRIX_LOG") != nullptr)
        , m_saved(m_had ? std::getenv("VELTRIX_LOG") : "")
    {
        Set(value);
    }
    ~ScopedLogVariable() { Set(m_had ? m_saved.c_str() : nullptr); }
    static void Set(const char* value)
    {
        if (value)
            setenv("VELTRIX_LOG", value, 1);
        else
            unsetenv("VELTRIX_LOG");
    }

private:
    bool m_had;
    std::string m_saved;
};
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

TEST(LogWithoutSink, WritesToStandardErrorOnlyUnderVeltrixLog)
{
    EXPECT_EQ(&GetLog(), &GetLog());
    const ScopedLogVariable restore(nullptr);
    const struct
    {
        const char* value; // null: unset
        bool shown;
    } cases[] = { { nullptr, false }, { "", false }, { "0", false }, { "1", true }, { "yes", true } };
    const auto here = std::filesystem::current_path();
    const auto before = std::distance(std::filesystem::directory_iterator(here), {});
    for (const auto& c : cases) {
        ScopedLogVariable::Set(c.value);
        testing::internal::CaptureStderr();
        GetLog().Print(0, "cannot open %s: %s\n", "Data\\Levels\\x.lvl", "No such file or directory");
        GetLog().Print(0, "no line end");
        ReportDXError("Render/PRender", 3, E_INVALIDARG);
        const std::string shown = testing::internal::GetCapturedStderr();
        const std::string expected = std::string("cannot open Data\\Levels\\x.lvl: No such file or directory\n")
                                     + "no line end\nDXError if Render/PRender on line 3\nE_INVALIDARG\n"
                                     + DXGetErrorDescription9A(E_INVALIDARG) + "\n";
        EXPECT_EQ(shown, c.shown ? expected : "") << (c.value ? c.value : "unset");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(here), {}), before);
}

TEST(LogWithoutSink, SetSinkTakesOverAndNullGivesBackStandardError)
{
    const ScopedLogVariable on("1");
    std::vector<std::string> seen;
    GetLog().SetSink([&seen](int32_t, const std::string& text) { seen.push_back(text); });
    testing::internal::CaptureStderr();
    GetLog().Print(0, "to the sink\n");
    GetLog().SetSink(nullptr);
    GetLog().Print(0, "to standard error\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to standard error\n");
    EXPECT_EQ(seen, std::vector<std::string> { "to the sink\n" });
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
