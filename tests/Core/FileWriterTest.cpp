#include "Core/PFileWriter.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"
#include "Core/PScramble.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
void WriteSample(CPFileWriter& writer)
{
    writer.WriteInt(0x04030201);
    writer.WriteInt(-2);
    writer.WriteFloat(1.5f);
    writer.WriteString("AB");
    writer.WriteString("");
    writer.Write("xy", 2);
}

const std::string kSampleBytes = ByteString({ 0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF,
                                         0x00, 0x00, 0xC0, 0x3F, 0x02, 0x00, 0x00, 0x00,
                                         'A', 'B', 0x00, 0x00, 0x00, 0x00, 'x', 'y' });

// Lowers the largest file this process may write, so writes past it fail.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old;
    void (*m_oldHandler)(int);
};
}

TEST(FileWriter, WritesExactLittleEndianBytes)
{
    ScratchRoot root;
    root.MakeDirectory("Data");
    CPFileWriter writer("DATA\\Out.bin");
    WriteSample(writer);
    ASSERT_EQ(writer.Save(), S_OK);
    EXPECT_EQ(root.ReadFile("Data/Out.bin"), kSampleBytes);
    EXPECT_EQ(root.Names("Data"), std::vector<std::string> { "Out.bin" }); // no temporary left

    CPFileWriter empty("data\\empty.bin");
    ASSERT_EQ(empty.Save(), S_OK);
    EXPECT_TRUE(root.OnDisk("Data/empty.bin"));
    EXPECT_EQ(root.ReadFile("Data/empty.bin"), "");
}

TEST(FileWriter, ScramblesACopySoEverySaveIsTheSame)
{
    ScratchRoot root;
    root.MakeDirectory("Data");
    std::string expected = kSampleBytes;
    ScrambleBuffer(reinterpret_cast<BYTE*>(&expected[0]), expected.size());
    ASSERT_NE(expected, kSampleBytes);

    CPFileWriter writer("Data\\scores.dat", 1);
    WriteSample(writer);
    ASSERT_EQ(writer.Save(), S_OK);
    EXPECT_EQ(root.ReadFile("Data/scores.dat"), expected);
    ASSERT_EQ(writer.Save(), S_OK);
    EXPECT_EQ(root.ReadFile("Data/scores.dat"), expected);

    CPFileReader reader("Data\\scores.dat", 1);
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(reader.ReadInt(), 0x04030201);
    EXPECT_EQ(reader.ReadInt(), -2);
    EXPECT_EQ(reader.ReadFloat(), 1.5f);
    EXPECT_EQ(reader.ReadString(), "AB");
}

TEST(FileWriter, ReplacesTheFileUnderItsOwnSpelling)
{
    ScratchRoot root;
    root.MakeFile("data/saves/Save0.sav", "a much longer old content");
    CPFileWriter writer("DATA\\Saves\\save0.sav");
    writer.Write("new", 3);
    ASSERT_EQ(writer.Save(), S_OK);
    EXPECT_EQ(root.Names("data/saves"), std::vector<std::string> { "Save0.sav" });
    EXPECT_EQ(root.ReadFile("data/saves/Save0.sav"), "new");
}

TEST(FileWriter, FailedSavesLeaveTheOldFileAlone)
{
    ScratchRoot root;
    root.MakeFile("Data/scores.dat", "old");

    // No directories are made for the writer.
    CPFileWriter missingDirectory("Data\\Saves\\save0.sav");
    missingDirectory.Write("x", 1);
    EXPECT_EQ(missingDirectory.Save(), E_FAIL);
    EXPECT_FALSE(root.OnDisk("Data/Saves"));

    root.MakeDirectory("Data/Dir");
    CPFileWriter directory("data\\dir");
    EXPECT_EQ(directory.Save(), E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory(root.Host("Data/Dir")));

    // A write cut short: E_FAIL, the old bytes stay and no temporary remains.
    CPFileWriter tooLong("data\\scores.dat");
    tooLong.Write(std::string(4096, 'n').data(), 4096);
    {
        FileSizeLimit limit(64);
        EXPECT_EQ(tooLong.Save(), E_FAIL);
    }
    EXPECT_EQ(root.ReadFile("Data/scores.dat"), "old");
    EXPECT_EQ(root.Names("Data"), (std::vector<std::string> { "Dir", "scores.dat" }));
    // The same writer succeeds once there is room.
    ASSERT_EQ(tooLong.Save(), S_OK);
    EXPECT_EQ(root.ReadFile("Data/scores.dat").size(), 4096u);
}

TEST(Scramble, RoundTripsAndRestartsTheKeyEvery1933Bytes)
{
    std::vector<BYTE> zeros(2 * kScrambleKeySize + 10, 0);
    ScrambleBuffer(zeros.data(), zeros.size());
    // Scrambled zeros are the key itself: 1932 printable bytes, then zero.
    for (size_t i = 0; i + 1 < kScrambleKeySize; ++i) {
        ASSERT_GE(zeros[i], 0x20) << i;
        ASSERT_LE(zeros[i], 0x7E) << i;
    }
    EXPECT_EQ(zeros[kScrambleKeySize - 1], 0);
    for (size_t i = kScrambleKeySize; i < zeros.size(); ++i)
        ASSERT_EQ(zeros[i], zeros[i - kScrambleKeySize]) << i;

    // Each call starts at key byte 0.
    std::vector<BYTE> tail(10, 0);
    ScrambleBuffer(tail.data(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), zeros.begin()));

    std::vector<BYTE> data(5000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7 + 3);
    std::vector<BYTE> copy = data;
    ScrambleBuffer(copy.data(), copy.size());
    EXPECT_NE(copy, data);
    UnscrambleBuffer(copy.data(), copy.size());
    EXPECT_EQ(copy, data);
}

namespace
{
std::string Saved(const std::string& gamePath, const std::string& bytes, HRESULT& result)
{
    CPFileWriter writer(gamePath);
    writer.Write(bytes.data(), bytes.size());
    result = writer.Save();
    return bytes;
}

mode_t Permissions(const std::string& hostPath)
{
    struct stat info {};
    stat(hostPath.c_str(), &info);
    return info.st_mode & 07777;
}
}

TEST(FileWriter, RefusesWhatTheUserCouldNotHaveWritten)
{
    // Each case makes one target; the save must fail and change nothing.
    // Marked read-only, a file or directory is refused even when the
    // process could write it anyway (as a superuser's can).
    struct Case
    {
        const char* what;
        void (*make)(const ScratchRoot& root);
    };
    const Case cases[] = {
        { "read-only file", [](const ScratchRoot& root) { chmod(root.Host("d/target").c_str(), 0444); } },
        { "read-only directory", [](const ScratchRoot& root) { chmod(root.Host("d").c_str(), 0555); } },
        { "FIFO",
          [](const ScratchRoot& root) {
              std::filesystem::remove(root.Host("d/target"));
              mkfifo(root.Host("d/target").c_str(), 0644);
          } },
        { "link to a device",
          [](const ScratchRoot& root) {
              std::filesystem::remove(root.Host("d/target"));
              std::filesystem::create_symlink("/dev/null", root.Host("d/target"));
          } },
        { "broken link",
          [](const ScratchRoot& root) {
              std::filesystem::remove(root.Host("d/target"));
              std::filesystem::create_symlink("nowhere", root.Host("d/target"));
          } },
    };
    for (const Case& c : cases) {
        ScratchRoot root;
        root.MakeFile("d/target", "old");
        c.make(root);
        const auto before = std::filesystem::symlink_status(root.Host("d/target")).type();
        HRESULT result = S_OK;
        Saved("D\\Target", "new", result);
        EXPECT_EQ(result, E_FAIL) << c.what;
        EXPECT_EQ(std::filesystem::symlink_status(root.Host("d/target")).type(), before) << c.what;
        EXPECT_EQ(root.Names("d"), std::vector<std::string> { "target" }) << c.what;
        if (before == std::filesystem::file_type::regular) {
            EXPECT_EQ(root.ReadFile("d/target"), "old") << c.what;
        }
        chmod(root.Host("d").c_str(), 0755);
    }
}

TEST(FileWriter, RefusesAFileTheProcessMayNotWrite)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "the read-only cases above already run without privileges";
    // As root every file is writable; the check is seen from an unprivileged
    // process that could still rename over the file in an open directory.
    ScratchRoot root;
    root.MakeFile("open/target", "old");
    chmod(root.Path().c_str(), 0755);
    chmod(root.Host("open").c_str(), 0777);
    chmod(root.Host("open/target").c_str(), 0644);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        HRESULT result = S_OK;
        Saved("open\\target", "new", result);
        _exit(result == E_FAIL ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(root.ReadFile("open/target"), "old");
}

TEST(FileWriter, KeepsPermissionsAndLinks)
{
    ScratchRoot root;
    root.MakeFile("saves/private.sav", "old");
    chmod(root.Host("saves/private.sav").c_str(), 0600);
    root.MakeFile("saves/shared.sav", "old");
    chmod(root.Host("saves/shared.sav").c_str(), 0664);
    HRESULT result = E_FAIL;
    Saved("saves\\private.sav", "new", result);
    ASSERT_EQ(result, S_OK);
    Saved("saves\\shared.sav", "new", result);
    ASSERT_EQ(result, S_OK);
    EXPECT_EQ(Permissions(root.Host("saves/private.sav")), 0600u);
    EXPECT_EQ(Permissions(root.Host("saves/shared.sav")), 0664u);
    EXPECT_EQ(root.ReadFile("saves/private.sav"), "new");

    // The link stays; the file it leads to gets the bytes, and the
    // temporary was made beside that file.
    root.MakeFile("real/config.cfg", "old");
    std::filesystem::create_symlink("../real/config.cfg", root.Host("saves/config.cfg"));
    Saved("Saves\\Config.cfg", "linked", result);
    ASSERT_EQ(result, S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(root.Host("saves/config.cfg")));
    EXPECT_EQ(root.ReadFile("real/config.cfg"), "linked");
    EXPECT_EQ(root.Names("real"), std::vector<std::string> { "config.cfg" });
    EXPECT_EQ(root.Names("saves").size(), 3u);
}

TEST(FileWriter, AFailedSaveIsLoggedOnceWithTheSystemsReasonAndErrnoKeepsIt)
{
    // A read-only file system and a full disk are told as such, not as a
    // missing permission; the failure leaves the old file and no temporary.
    using GamePath::ReplaceStep;
    struct Case
    {
        const char* path;
        int error;
        ReplaceStep step; // where the failure is made, for the injected ones
        bool injected;
    };
    const Case cases[] = {
        { "D\\Target", EROFS, ReplaceStep::CheckAccess, true },
        { "D\\Target", ENOSPC, ReplaceStep::Write, true },
        { "D\\Target", EIO, ReplaceStep::Flush, true },
        { "D\\ReadOnly", EACCES, ReplaceStep::CheckAccess, false },
        { "D\\Missing\\save0.sav", ENOENT, ReplaceStep::CheckAccess, false },
        { "D\\Target\\save0.sav", ENOTDIR, ReplaceStep::CheckAccess, false },
        { "D\\Folder", EISDIR, ReplaceStep::CheckAccess, false },
    };
    std::vector<std::string> log;
    GetLog().SetSink([&log](int32_t, const std::string& text) { log.push_back(text); });
    for (const Case& c : cases) {
        ScratchRoot root;
        root.MakeFile("d/target", "old");
        root.MakeFile("d/readonly", "old");
        chmod(root.Host("d/readonly").c_str(), 0444);
        root.MakeDirectory("d/folder");
        if (c.injected)
            GamePath::FailNextReplace(c.step, c.error);
        log.clear();
        errno = 0;
        HRESULT result = S_OK;
        Saved(c.path, "new", result);
        EXPECT_EQ(result, E_FAIL) << c.path;
        EXPECT_EQ(errno, c.error) << c.path << ": " << std::strerror(errno);
        EXPECT_EQ(log, std::vector<std::string> { std::string("cannot save ") + c.path + ": " + std::strerror(c.error)
                                                  + "\n" });
        EXPECT_EQ(root.ReadFile("d/target"), "old") << c.path;
        EXPECT_EQ(root.Names("d"), (std::vector<std::string> { "folder", "readonly", "target" })) << c.path;
    }
    GetLog().SetSink(nullptr);
}

TEST(FileWriter, ATemporaryLeftByAKilledSaveIsTakenAwayByTheNextSaveOfTheFile)
{
    ScratchRoot root;
    root.MakeFile("d/scores.dat", "old");
    // Each save is killed in its write (past the file size limit, as the
    // system kills a process), once over an existing file and once for a
    // new one.
    for (const char* path : { "d\\scores.dat", "D\\Fresh.SAV" }) {
        const pid_t child = fork();
        if (child == 0) {
            rlimit limit { 0, 0 };
            setrlimit(RLIMIT_CORE, &limit);
            limit = { 16, 16 };
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
            HRESULT result = S_OK;
            Saved(path, std::string(4096, 'n'), result);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << path;
        EXPECT_EQ(WTERMSIG(status), SIGXFSZ) << path;
    }
    const std::string suffix = GamePath::kReplaceSuffix;
    ASSERT_EQ(root.Names("d"), (std::vector<std::string> { "Fresh.SAV" + suffix, "scores.dat", "scores.dat" + suffix }));
    EXPECT_EQ(root.ReadFile("d/scores.dat"), "old");

    // The next run of the game saves both files, the new one spelled
    // otherwise; nothing but the files stays, on disk and in the listing.
    GamePath::InvalidateCache();
    for (const char* path : { "d\\scores.dat", "d\\fresh.sav" }) {
        HRESULT result = E_FAIL;
        Saved(path, "new", result);
        EXPECT_EQ(result, S_OK) << path;
    }
    const std::vector<std::string> files = { "fresh.sav", "scores.dat" };
    EXPECT_EQ(root.Names("d"), files);
    std::vector<GamePath::Entry> entries;
    ASSERT_TRUE(GamePath::ListDirectory("d", entries));
    std::vector<std::string> listed;
    for (const GamePath::Entry& entry : entries)
        listed.push_back(entry.name);
    EXPECT_EQ(listed, files);
    EXPECT_EQ(root.ReadFile("d/scores.dat"), "new");
}
