// The real launcher program, run in a scratch directory with its commands
// piped in, as a person would run it from a terminal.
#include "ConfigValues.h"
#include "ScratchRoot.h"
#include "Startup/PLauncher.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
const char kProgram[] = VELTRIX_BINARY_DIR "/veltrix";

// Runs the launcher with `commands` as its input, the given variables added
// to the environment and the given arguments; standard output goes to
// "output.txt", standard error to "errors.txt". Returns its exit status, or
// -1 (also when it has not ended after ten seconds).
int RunLauncher(const ScratchRoot& root, const std::string& commands, const std::vector<std::string>& variables,
                const std::vector<std::string>& arguments = {})
{
    root.MakeFile("commands.txt", commands);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "VELTRIX_", 8) != 0)
            environment.push_back(*entry);
    }
    environment.insert(environment.end(), variables.begin(), variables.end());
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, root.Path().c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "commands.txt", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "output.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "errors.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv = { const_cast<char*>(kProgram) };
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = posix_spawn(&child, kProgram, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 1000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        usleep(10000);
    }
    if (!WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
}

TEST(LauncherProgram, PipedCommandsChooseAModeAndStartTheGame)
{
    ScratchRoot root;
    const std::string log = root.Host("shell.log");
    const std::vector<std::string> variables = {
        "VELTRIX_SHELL=record",
        "VELTRIX_SHELL_LOG=" + log,
        "VELTRIX_DISPLAY_MODES=800x600@60,1024x768@60,1024x768@75,1280x1024@60",
    };
    ASSERT_EQ(RunLauncher(root, "3\n2\no\n1\n", variables), 0) << kProgram;
    std::string expected = DefaultConfigText();
    for (const auto& [from, to] : { std::pair<const char*, const char*> { "fullScreen = 0", "fullScreen = 1" },
                                    { "screenBPP = 16", "screenBPP = 32" },
                                    { "screenWidth = 640", "screenWidth = 1280" },
                                    { "screenHeight = 480", "screenHeight = 1024" } })
        expected.replace(expected.find(from), std::strlen(from), to);
    EXPECT_EQ(root.ReadFile("config.cfg"), expected);
    EXPECT_EQ(root.ReadFile("shell.log"), "open\t.\\data\\scripts\\veltrix.exe\t\t\tSW_SHOWNORMAL\n");
    const std::string output = root.ReadFile("output.txt");
    EXPECT_NE(output.find("== Options ==\n"), std::string::npos);
    EXPECT_NE(output.find("    * [2] 1280 x 1024 x 32\n"), std::string::npos);

    // Exit from a later run: the statistics page, and the saved file stays.
    ASSERT_EQ(RunLauncher(root, "4\n", variables), 0);
    EXPECT_EQ(root.ReadFile("config.cfg"), expected);
    const std::string lines = root.ReadFile("shell.log");
    EXPECT_EQ(lines.substr(lines.find('\n') + 1), std::string("open\t") + kStatisticsPageUrl + "\t\t\tSW_SHOWNORMAL\n");
    EXPECT_NE(root.ReadFile("output.txt").find(std::string("web page: ") + kSplashPageUrl + "\n"), std::string::npos);
}

namespace
{
size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
}

TEST(LauncherProgram, AConfigurationItCannotReadIsNeverOverwritten)
{
    // A FIFO and a link to an endless device: neither is waited on or read,
    // the user is told once, nothing is saved and the game still starts.
    const std::vector<void (*)(const ScratchRoot&)> makers = {
        [](const ScratchRoot& root) { mkfifo(root.Host("config.cfg").c_str(), 0644); },
        [](const ScratchRoot& root) { symlink("/dev/zero", root.Host("config.cfg").c_str()); },
    };
    for (auto make : makers) {
        ScratchRoot root;
        make(root);
        const auto type = std::filesystem::symlink_status(root.Host("config.cfg")).type();
        const std::vector<std::string> variables = { "VELTRIX_SHELL=record", "VELTRIX_SHELL_LOG=" + root.Host("shell.log") };
        ASSERT_EQ(RunLauncher(root, "1\n", variables), 0);
        const std::string errors = root.ReadFile("errors.txt");
        EXPECT_EQ(Count(errors, "could not read config.cfg: not a regular file; settings will not be saved\n"), 1u)
            << errors;
        EXPECT_EQ(std::filesystem::symlink_status(root.Host("config.cfg")).type(), type);
        EXPECT_EQ(root.ReadFile("shell.log"), "open\t.\\data\\scripts\\veltrix.exe\t\t\tSW_SHOWNORMAL\n");
    }
}

TEST(LauncherProgram, AFailedSaveIsReportedBeforeTheGameStarts)
{
    ScratchRoot root;
    root.MakeFile("config.cfg", "fullScreen = 0\n");
    chmod(root.Host("config.cfg").c_str(), 0444);
    const std::vector<std::string> variables = { "VELTRIX_SHELL=record", "VELTRIX_SHELL_LOG=" + root.Host("shell.log") };
    ASSERT_EQ(RunLauncher(root, "1\n", variables), 0);
    EXPECT_EQ(root.ReadFile("errors.txt"), "could not save config.cfg: permission denied\n");
    EXPECT_EQ(root.ReadFile("config.cfg"), "fullScreen = 0\n");
    EXPECT_EQ(root.ReadFile("shell.log"), "open\t.\\data\\scripts\\veltrix.exe\t\t\tSW_SHOWNORMAL\n");
}

TEST(LauncherProgram, HelpAndVersionPrintAndEndOtherArgumentsAreIgnored)
{
    ScratchRoot root;
    const std::vector<std::string> variables = { "VELTRIX_SHELL=record", "VELTRIX_SHELL_LOG=" + root.Host("shell.log") };
    ASSERT_EQ(RunLauncher(root, "", variables, { "--help" }), 0);
    EXPECT_EQ(root.ReadFile("output.txt").rfind("usage: veltrix [--help | --version]\n", 0), 0u);
    ASSERT_EQ(RunLauncher(root, "", variables, { "--version" }), 0);
    EXPECT_EQ(root.ReadFile("output.txt"), "veltrix " VELTRIX_VERSION "\n");
    EXPECT_FALSE(root.OnDisk("shell.log"));

    ASSERT_EQ(RunLauncher(root, "4\n", variables, { "--data", "elsewhere", "-x" }), 0);
    EXPECT_EQ(root.ReadFile("shell.log"), std::string("open\t") + kStatisticsPageUrl + "\t\t\tSW_SHOWNORMAL\n");
    EXPECT_EQ(root.ReadFile("errors.txt"), "");
}

TEST(LauncherProgram, DisplayModeItemsThatDoNotParseAreNamedOnce)
{
    ScratchRoot root;
    const std::string shell = "VELTRIX_SHELL=record";
    // The options dialog is opened twice, and the modes read each time.
    ASSERT_EQ(RunLauncher(root, "3\no\n3\no\n4\n", { shell, "VELTRIX_DISPLAY_MODES=800x600@60, bogus ,1024x768" }), 0);
    EXPECT_EQ(root.ReadFile("errors.txt"),
              "VELTRIX_DISPLAY_MODES: \"bogus\" is no display mode (WxH@Hz); left out\n");
    EXPECT_NE(root.ReadFile("output.txt").find("[1] 1024 x 768 x 32"), std::string::npos);

    // Empty is the same as not set: the system's modes, and nothing to report.
    ASSERT_EQ(RunLauncher(root, "3\no\n4\n", { shell, "VELTRIX_DISPLAY_MODES=" }), 0);
    EXPECT_EQ(root.ReadFile("errors.txt"), "");
    EXPECT_NE(root.ReadFile("output.txt").find("[1] "), std::string::npos);
}
