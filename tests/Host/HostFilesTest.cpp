// HOST.read_file and HOST.write_file stay inside the data root: symbolic
// links that lead out are not followed, NUL bytes are refused, and a failed
// write takes away the directories it made.
#include "Host/PGameHost.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace
{
class HostFiles : public ::testing::Test
{
protected:
    // Runs the source; returns "" on success, else the error message.
    std::string Run(const std::string& source)
    {
        std::string error;
        return host.RunString(source, "test", error) ? "" : error;
    }

    ScratchRoot outside; // made first: the root set last is the game root
    ScratchRoot root;
    CPGameHost host { root.Path() };
};
}

TEST_F(HostFiles, LinksOutOfTheRootAndNulBytesRaiseAnErrorNamingThePath)
{
    outside.MakeFile("secret.txt", "secret");
    std::filesystem::create_directory_symlink(outside.Path(), root.Host("away"));
    std::filesystem::create_symlink(outside.Host("secret.txt"), root.Host("secret.txt"));
    root.MakeFile("real/inside.txt", "inside");
    std::filesystem::create_symlink("real/inside.txt", root.Host("near.txt"));

    const struct
    {
        const char* call;
        const char* message;
    } refused[] = {
        { "HOST.read_file('away/secret.txt')", "refused path \"away/secret.txt\": it leads outside the data root" },
        { "HOST.read_file('Secret.TXT')", "refused path \"Secret.TXT\": it leads outside the data root" },
        { "HOST.write_file('away/new.txt', 'x')", "refused path \"away/new.txt\": it leads outside the data root" },
        { "HOST.write_file('away\\\\deep\\\\new.txt', 'x')", "refused path \"away\\deep\\new.txt\"" },
        { "HOST.write_file('secret.txt', 'x')", "refused path \"secret.txt\"" },
        { "HOST.read_file('a\\0b')", "refused path \"a\\0b\": it holds a NUL byte" },
        { "HOST.write_file('a\\0b', 'x')", "refused path \"a\\0b\": it holds a NUL byte" },
    };
    for (const auto& c : refused) {
        const std::string error = Run(c.call);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.call << ": " << error;
    }
    EXPECT_EQ(outside.Names(""), std::vector<std::string> { "secret.txt" });
    EXPECT_EQ(outside.ReadFile("secret.txt"), "secret");
    EXPECT_FALSE(root.OnDisk("a"));

    // Links that stay inside work as before, and ".." stays at the root.
    EXPECT_EQ(Run("assert(HOST.read_file('near.txt') == 'inside')"), "");
    EXPECT_EQ(Run("assert(HOST.write_file('../up.txt', 'up'))"), "");
    EXPECT_EQ(root.ReadFile("up.txt"), "up");
}

TEST_F(HostFiles, AFailedWriteLeavesNoDirectoriesItMade)
{
    root.MakeDirectory("kept");
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string error = Run("assert(HOST.write_file('kept/new/deeper/file.txt', string.rep('x', 4096)) == false)");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(root.OnDisk("kept"));
    EXPECT_FALSE(root.OnDisk("kept/new"));

    EXPECT_EQ(Run("assert(HOST.write_file('kept/new/deeper/file.txt', 'ok'))"), "");
    EXPECT_EQ(root.ReadFile("kept/new/deeper/file.txt"), "ok");
}
