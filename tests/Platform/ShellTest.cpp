#include "Platform/Shell.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace
{
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

INT_PTR Code(HINSTANCE result)
{
    return reinterpret_cast<INT_PTR>(result);
}

// Waits up to five seconds for a file a started program writes.
std::string WaitForFile(const ScratchRoot& root, const std::string& name)
{
    for (int i = 0; i < 500 && !root.OnDisk(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return root.ReadFile(name);
}
}

TEST(Shell, RecordsEveryCallAndAppendsOneTabSeparatedLogLine)
{
    ScratchRoot root;
    const std::string log = root.Host("shell.log");
    ScopedEnv mode("VELTRIX_SHELL", "record");
    ScopedEnv logFile("VELTRIX_SHELL_LOG", log.c_str());
    PlatformShell::ClearCalls();

    EXPECT_GT(Code(ShellExecuteA(nullptr, "open", ".\\data\\scripts\\veltrix.exe", "", "", SW_SHOWNORMAL)), 32);
    EXPECT_GT(Code(ShellExecuteA(nullptr, nullptr, "https://stats.example.com/", "a\tb", nullptr, SW_SHOW)), 32);
    EXPECT_GT(Code(ShellExecuteA(nullptr, "print", "x\ny", nullptr, nullptr, 42)), 32);

    ASSERT_EQ(PlatformShell::Calls().size(), 3u);
    EXPECT_EQ(PlatformShell::Calls()[1].verb, "");
    EXPECT_EQ(PlatformShell::Calls()[1].parameters, "a\tb");
    EXPECT_EQ(root.ReadFile("shell.log"), "open\t.\\data\\scripts\\veltrix.exe\t\t\tSW_SHOWNORMAL\n"
                                          "\thttps://stats.example.com/\ta b\t\tSW_SHOW\n"
                                          "print\tx y\t\t\t42\n");
    PlatformShell::ClearCalls();
}

TEST(Shell, NamesShowCommandsAndKnowsWebAddresses)
{
    EXPECT_EQ(PlatformShell::ShowCommandName(SW_HIDE), "SW_HIDE");
    EXPECT_EQ(PlatformShell::ShowCommandName(SW_SHOWNORMAL), "SW_SHOWNORMAL");
    EXPECT_EQ(PlatformShell::ShowCommandName(SW_SHOWDEFAULT), "SW_SHOWDEFAULT");
    EXPECT_EQ(PlatformShell::ShowCommandName(-3), "-3");
    EXPECT_TRUE(PlatformShell::IsWebAddress("HTTPS://Example.com"));
    EXPECT_TRUE(PlatformShell::IsWebAddress("http://example.com"));
    EXPECT_FALSE(PlatformShell::IsWebAddress("https:"));
    EXPECT_FALSE(PlatformShell::IsWebAddress(".\\data\\http://x"));
}

TEST(Shell, StartsTheGameProgramDetachedWithItsArgumentsUntouched)
{
    ScratchRoot root;
    ScopedEnv mode("VELTRIX_SHELL", nullptr);
    ScopedEnv logFile("VELTRIX_SHELL_LOG", nullptr);
    // The program writes its arguments and working directory, one per line.
    root.MakeFile("Data/Scripts/veltrix", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" \"$(pwd)\" > \"$0.out.tmp\"\n"
                                          "mv \"$0.out.tmp\" \"$0.out\"\n");
    std::filesystem::permissions(root.Host("Data/Scripts/veltrix"), std::filesystem::perms::owner_all);
    const std::string cwd = std::filesystem::current_path();
    GamePath::SetRoot(root.Path());
    std::filesystem::current_path(root.Path());

    EXPECT_GT(Code(ShellExecuteA(nullptr, "open", ".\\data\\scripts\\veltrix.exe", "", "", SW_SHOWNORMAL)), 32);
    EXPECT_EQ(WaitForFile(root, "Data/Scripts/veltrix.out"), "0\n\n" + root.Path() + "\n");
    std::filesystem::remove(root.Host("Data/Scripts/veltrix.out"));

    // Parameters are one argument, never read by a shell; the directory is
    // where the program starts.
    EXPECT_GT(Code(ShellExecuteA(nullptr, "open", "VELTRIX", "$(touch hacked); x y", "data\\scripts", SW_SHOWNORMAL)), 32);
    EXPECT_EQ(WaitForFile(root, "Data/Scripts/veltrix.out"), "1\n$(touch hacked); x y\n" + root.Host("Data/Scripts") + "\n");
    EXPECT_FALSE(root.OnDisk("hacked"));
    EXPECT_FALSE(root.OnDisk("Data/Scripts/hacked"));

    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "missing.exe", "", "", SW_SHOWNORMAL)), SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "veltrix", "", "nowhere", SW_SHOWNORMAL)), SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "edit", "data\\scripts\\veltrix", "", "", SW_SHOWNORMAL)), SE_ERR_NOASSOC);
    std::filesystem::current_path(cwd);
    PlatformShell::ClearCalls();
}

TEST(Shell, KnowsWhichTargetsWouldStartAProgram)
{
    ScratchRoot root;
    root.MakeFile("Data/Tools/runner", "#!/bin/sh\n");
    std::filesystem::permissions(root.Host("Data/Tools/runner"), std::filesystem::perms::owner_all);
    root.MakeFile("Data/Tools/readme.txt", "text");
    GamePath::SetRoot(root.Path());
    struct Case
    {
        const char* file;
        const char* directory;
        bool program;
    };
    const Case cases[] = {
        { "data\\tools\\runner", "", true },
        { "DATA/TOOLS/RUNNER.EXE", "", true },
        { "runner", "data\\tools", true },
        { "data\\tools\\readme.txt", "", false },
        { "data\\tools", "", false },
        { "data\\tools\\missing", "", false },
        { "http://example.org/runner", "", false },
        { "", "", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlatformShell::StartsProgram(c.file, c.directory), c.program) << c.file << " in " << c.directory;
}

TEST(Shell, WithoutADisplayAWebAddressIsPrinted)
{
    ScopedEnv mode("VELTRIX_SHELL", nullptr);
    ScopedEnv logFile("VELTRIX_SHELL_LOG", nullptr);
    ScopedEnv x11("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    testing::internal::CaptureStdout();
    const INT_PTR result = Code(ShellExecuteA(nullptr, "open", "https://stats.example.com/?a=1&b=$(x)", "", "", SW_SHOWNORMAL));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Open this in a web browser: https://stats.example.com/?a=1&b=$(x)\n");
    EXPECT_GT(result, 32);
    PlatformShell::ClearCalls();
}
