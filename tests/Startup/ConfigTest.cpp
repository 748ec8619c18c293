#include "Startup/PConfig.h"

#include "ConfigValues.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
class Config : public ::testing::Test
{
protected:
    Config() { ResetConfigValues(); }
    ~Config() override { ResetConfigValues(); }

    // Loads the text as "config.cfg" into a fresh registry.
    void LoadText(CPConfig& config, const std::string& text)
    {
        m_root.MakeFile("config.cfg", text);
        config.Load("config.cfg");
    }

    ScratchRoot m_root;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2)
        lines.push_back(text.substr(begin, end - begin));
    EXPECT_EQ(begin, text.size()) << "text after the last CR LF";
    return lines;
}
}

TEST_F(Config, DefaultSaveWritesEveryVariableInTheMapsOrder)
{
    CPConfig config;
    config.Save("config.cfg");
    EXPECT_EQ(m_root.ReadFile("config.cfg"), DefaultConfigText());
}

TEST_F(Config, MissingFileLeavesTheDefaults)
{
    CPConfig config;
    config.Load("config.cfg");
    m_root.MakeDirectory("folder.cfg");
    config.Load("folder.cfg");
    EXPECT_EQ(config.SaveText(), DefaultConfigText());
}

TEST_F(Config, LoadTellsAMissingFileFromOneItCannotRead)
{
    m_root.MakeFile("plain.cfg", "screenWidth = 800\n");
    m_root.MakeDirectory("folder.cfg");
    mkfifo(m_root.Host("fifo.cfg").c_str(), 0644);
    symlink("/dev/zero", m_root.Host("zero.cfg").c_str());
    alarm(10); // a FIFO or a device that is read would never end
    const struct
    {
        const char* path;
        HRESULT result;
        int error;
    } cases[] = {
        { "missing.cfg", S_FALSE, 0 },
        { "plain.cfg", S_OK, 0 },
        { "folder.cfg", E_FAIL, EISDIR },
        { "fifo.cfg", E_FAIL, EINVAL },
        { "zero.cfg", E_FAIL, EINVAL },
    };
    for (const auto& c : cases) {
        CPConfig config;
        errno = 0;
        EXPECT_EQ(config.Load(c.path), c.result) << c.path;
        if (c.error) {
            EXPECT_EQ(errno, c.error) << c.path;
        }
    }
    alarm(0);
    EXPECT_EQ(g_CfgScreenWidth, 800);
}

TEST_F(Config, LinesSetTheirVariable)
{
    const struct
    {
        const char* line;
        int32_t bloomBefore;
        int32_t bloomAfter;
    } cases[] = {
        { "bloom = 0", 1, 0 },
        { "bloom=0", 1, 0 },
        { " \tbloom  =  0 \r", 1, 0 },
        { "+bloom", 0, 1 },
        { "-bloom", 1, 0 },
        { "bloom", 1, 0 },
        { "+ bloom \r", 0, 1 },
        { "+bloom = 0", 1, 0 }, // the sign only matters for a bare name
        { "Bloom = 0", 1, 1 },  // names are case-sensitive
        { "-Bloom", 1, 1 },
        { "= 0", 1, 1 },
        { "", 1, 1 },
        { "bloom = on", 1, 1 }, // a value that is no number keeps the old one
        { "bloom = ", 1, 1 },
        { "bloom = 2 # two", 1, 2 },
    };
    CPConfig config;
    for (const auto& c : cases) {
        g_CfgBloom = c.bloomBefore;
        config.ParseLine(c.line);
        EXPECT_EQ(g_CfgBloom, c.bloomAfter) << '"' << c.line << '"';
    }
    config.ParseLine("distance = 350=2");
    EXPECT_EQ(g_CfgDistance, 350);
    config.ParseLine("soundVolume = 0.75");
    EXPECT_EQ(g_CfgSoundVolume, 0.75f);
    config.ParseLine("screenWidth = 1.9");
    EXPECT_EQ(g_CfgScreenWidth, 1);
    config.ParseLine("screenHeight = 0");
    config.ParseLine("screenHeight = zero");
    EXPECT_EQ(g_CfgScreenHeight, 0);
}

TEST_F(Config, LoadAppliesKnownNamesInFileOrderAndSavesOnlyTheRegistry)
{
    CPConfig config;
    LoadText(config,
             "screenWidth = 800\n"
             "Bloom = 0\r\n"
             "unknown = 5\n"
             "+weather\r\n"
             "-shadows\n"
             "\n"
             "screenWidth = 1280\r\n"
             "friction = 0.35\n"
             "screenHeight = 1024"); // no line end after the last line
    EXPECT_EQ(g_CfgScreenWidth, 1280);
    EXPECT_EQ(g_CfgScreenHeight, 1024);
    EXPECT_EQ(g_CfgShadows, 0);
    EXPECT_EQ(g_CfgBloom, 1);
    EXPECT_EQ(g_CfgFriction, 0.35f);

    config.Save("config.cfg");
    const std::vector<std::string> lines = Lines(m_root.ReadFile("config.cfg"));
    const std::vector<std::string> defaults = Lines(DefaultConfigText());
    ASSERT_EQ(lines.size(), 32u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string name = defaults[i].substr(0, defaults[i].find(' '));
        if (name == "screenWidth")
            EXPECT_EQ(lines[i], "screenWidth = 1280");
        else if (name == "screenHeight")
            EXPECT_EQ(lines[i], "screenHeight = 1024");
        else if (name == "shadows")
            EXPECT_EQ(lines[i], "shadows = 0");
        else if (name == "friction")
            EXPECT_EQ(lines[i], "friction = 0.35");
        else
            EXPECT_EQ(lines[i], defaults[i]);
    }
}

TEST_F(Config, OverlongLinesAreSkippedWhole)
{
    // 1023 characters fit the line buffer; 1024 do not, counting a CR.
    const std::string fits = "screenWidth = 800" + std::string(1023 - 17, ' ');
    const std::string tooLong = "screenHeight = 600" + std::string(1024 - 18, ' ');
    const std::string tooLongWithCr = "distance = 350" + std::string(1023 - 14, ' ') + "\r";
    // What lies past the buffer's end is never read as a line of its own.
    const std::string hidden = std::string(2000, ' ') + "bloom = 0";
    CPConfig config;
    LoadText(config, fits + "\n" + tooLong + "\n" + tooLongWithCr + "\n" + hidden + "\n" + "psystems = 5\n"
                         + std::string(5000, 'x'));
    EXPECT_EQ(g_CfgScreenWidth, 800);
    EXPECT_EQ(g_CfgScreenHeight, 480);
    EXPECT_EQ(g_CfgDistance, 200);
    EXPECT_EQ(g_CfgBloom, 1);
    EXPECT_EQ(g_CfgPSystems, 5);
}

TEST_F(Config, NulByteEndsTheLinesText)
{
    CPConfig config;
    LoadText(config, std::string("bloom = 0\0 1\nwheel\0=1\n", 21));
    EXPECT_EQ(g_CfgBloom, 0);
    EXPECT_EQ(g_CfgWheel, 0);
}

TEST_F(Config, SaveReplacesTheFileAndAFailedSaveLeavesNoTrace)
{
    m_root.MakeFile("config.cfg", "old contents that are longer than nothing\n");
    CPConfig config;
    config.Save("config.cfg");
    EXPECT_EQ(m_root.ReadFile("config.cfg"), DefaultConfigText());

    config.Save("missing\\config.cfg");
    m_root.MakeDirectory("taken.cfg");
    config.Save("taken.cfg");
    EXPECT_EQ(m_root.Names(""), (std::vector<std::string> { "config.cfg", "taken.cfg" }));
}

TEST_F(Config, RegistryPublishesItselfAndHoldsTheStaticHandles)
{
    EXPECT_EQ(g_Config, nullptr);
    {
        CPConfig config;
        EXPECT_EQ(g_Config, &config);
        ASSERT_TRUE(g_DatorBloom);
        // Held by its static handle and by the name map.
        EXPECT_EQ(g_DatorBloom->GetRefCount(), 2);
        EXPECT_EQ(static_cast<CPDator<int32_t>*>(g_DatorBloom.Get())->GetValue(), &g_CfgBloom);
        EXPECT_EQ(static_cast<CPDator<float>*>(g_DatorFriction.Get())->GetValue(), &g_CfgFriction);

        // Registering again under a known name replaces the variable.
        int32_t other = 5;
        CPSmartPtr<CPDatorBase> replacement = new CPDator<int32_t>(&other);
        config.Register("bloom", replacement);
        config.ParseLine("bloom = 9");
        EXPECT_EQ(other, 9);
        EXPECT_EQ(g_CfgBloom, 1);
    }
    EXPECT_EQ(g_Config, nullptr);
    EXPECT_FALSE(g_DatorBloom);
    EXPECT_FALSE(g_DatorAdmin);
}

TEST(ConfigNameMap, HashesBytesAsSignedCharacters)
{
    EXPECT_EQ(CPConfigNameMap::Hash(""), 0u);
    EXPECT_EQ(CPConfigNameMap::Hash("ab"), 5u * 'a' + 'b');
    EXPECT_EQ(CPConfigNameMap::Hash("\xFF"), 0xFFFFFFFFu);
    EXPECT_EQ(CPConfigNameMap::Hash("bloom") % 193, CPConfigNameMap::Hash("weight_div") % 193);

    // Names sharing a bucket iterate newest first.
    CPConfigNameMap map;
    map["weight_div"];
    map["bloom"];
    map["bloom"];
    std::vector<std::string> names;
    map.ForEach([&names](const std::string& name, const CPSmartPtr<CPDatorBase>&) { names.push_back(name); });
    EXPECT_EQ(names, (std::vector<std::string> { "bloom", "weight_div" }));
    EXPECT_EQ(map.Find("Bloom"), nullptr);
}
