// The headless host: its Lua state, script objects and global objects, and
// the veltrix-host program's command line and exit status.
#include "Core/PCommandDispatcher.h"
#include "Core/PGlobals.h"
#include "Core/PManagedObject.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PScriptObject.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTRIX_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELTRIX_UNDER_ASAN 1
#endif
#ifndef VELTRIX_UNDER_ASAN
#define VELTRIX_UNDER_ASAN 0
#endif
#if VELTRIX_UNDER_ASAN
#include <sanitizer/allocator_interface.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

TEST(GameHost, PublishesAndClearsTheGlobalObjects)
{
    ScratchRoot root;
    {
        CPGameHost host(root.Path());
        EXPECT_NE(GetTaskManager(), nullptr);
        EXPECT_NE(GetCommandDispatcher(), nullptr);
        EXPECT_NE(GetActionMap(), nullptr);
        EXPECT_NE(GetSoundManager(), nullptr);
        for (const CPGameHost::ScriptObjectSpec& spec : CPGameHost::GetGameScriptObjects()) {
            const CPSmartPtr<CPCommandTarget> found = GetCommandDispatcher()->FindObject(spec.name);
            ASSERT_TRUE(found) << spec.name;
            EXPECT_TRUE(found->IsRunning()) << spec.name;
            EXPECT_EQ(found.Get(), host.GetScriptObject(spec.name));
        }
    }
    EXPECT_EQ(GetTaskManager(), nullptr);
    EXPECT_EQ(GetCommandDispatcher(), nullptr);
    EXPECT_EQ(GetActionMap(), nullptr);
    EXPECT_EQ(GetSoundManager(), nullptr);
}

TEST(GameHost, RunsScriptsWithArgumentsAndReportsErrors)
{
    ScratchRoot root;
    root.MakeFile("args.lua", "local a, b = ... assert(a == 'one' and b == 'two' and arg[2] == 'two' and #arg == 2)");
    root.MakeFile("fails.lua", "local function f() error('wheel fell off') end f()");
    root.MakeFile("broken.lua", "this is not lua");
    CPGameHost host(root.Path());
    std::string error;
    EXPECT_TRUE(host.RunScript(root.Host("args.lua"), { "one", "two" }, error)) << error;

    EXPECT_FALSE(host.RunScript(root.Host("fails.lua"), {}, error));
    EXPECT_NE(error.find("wheel fell off"), std::string::npos) << error;
    EXPECT_NE(error.find("stack traceback"), std::string::npos) << error;
    EXPECT_FALSE(host.RunScript(root.Host("broken.lua"), {}, error));
    EXPECT_FALSE(host.RunScript(root.Host("missing.lua"), {}, error));
    EXPECT_NE(error.find("missing.lua"), std::string::npos) << error;
    EXPECT_FALSE(host.RunString("error({})", "table", error));
    EXPECT_NE(error.find("table value"), std::string::npos) << error;

    // The state stays usable after errors.
    EXPECT_TRUE(host.RunString("assert(PointerToString(nil) == '0')", "after", error)) << error;
}

TEST(GameHost, ProgramExitStatus)
{
    ScratchRoot root;
    root.MakeFile("ok.lua", "assert(HOST.read_file('data.txt') == 'here')");
    root.MakeFile("data/data.txt", "here");
    root.MakeFile("fails.lua", "error('wheel fell off')");
    const std::string program = std::string(VELTRIX_BINARY_DIR) + "/veltrix-host";
    const std::string errors = root.Host("errors.txt");
    const auto run = [&](const std::string& arguments) {
        const int status = std::system((program + " " + arguments + " 2>" + errors).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--data " + root.Host("data") + " " + root.Host("ok.lua")), 0);
    EXPECT_EQ(run("--data " + root.Host("data") + " " + root.Host("fails.lua")), 1);
    EXPECT_NE(root.ReadFile("errors.txt").find("wheel fell off"), std::string::npos);
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--data"), 2);
}

TEST(GameHost, ProgramCommandLine)
{
    ScratchRoot root;
    root.MakeFile("bom.lua", "\xEF\xBB\xBFHOST.write_file('bom.txt', table.concat({...}, ','))");
    const std::string program = std::string(VELTRIX_BINARY_DIR) + "/veltrix-host";
    const auto run = [&](const std::string& arguments) {
        const std::string command = "cd " + root.Path() + " && " + program + " " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const struct
    {
        const char* arguments;
        int status;
        const char* out;
        const char* err;     // how standard error starts
        const char* written; // what the script wrote
    } cases[] = {
        { "--help", 0, "usage: veltrix-host [--data DIR] [--log] SCRIPT.lua [ARG...]\n", "", "" },
        { "--version", 0, "veltrix-host " VELTRIX_VERSION "\n", "", "" },
        { "--frobnicate bom.lua", 2, "", "veltrix-host: unknown option --frobnicate\nusage: ", "" },
        { "-q bom.lua", 2, "", "veltrix-host: unknown option -q\nusage: ", "" },
        { "--data", 2, "", "veltrix-host: --data needs a directory\nusage: ", "" },
        { "", 2, "", "veltrix-host: no script given\nusage: ", "" },
        { "--data nowhere bom.lua", 2, "",
          "veltrix-host: cannot use nowhere as the game root: No such file or directory\nusage: ", "" },
        { "--data bom.lua bom.lua", 2, "", "veltrix-host: cannot use bom.lua as the game root: Not a directory\nusage: ",
          "" },
        { "missing.lua", 1, "", "veltrix-host: cannot open missing.lua: No such file or directory\n", "" },
        { ".", 1, "", "veltrix-host: cannot open .: Is a directory\n", "" },
        { "bom.lua a --data", 0, "", "", "a,--data" }, // after the script, its own arguments
        { "- c d < bom.lua", 0, "", "", "c,d" },
    };
    for (const auto& c : cases) {
        root.MakeFile("bom.txt", "");
        EXPECT_EQ(run(c.arguments), c.status) << c.arguments;
        EXPECT_EQ(root.ReadFile("out.txt").rfind(c.out, 0), 0u) << c.arguments << ": " << root.ReadFile("out.txt");
        EXPECT_EQ(root.ReadFile("err.txt").rfind(c.err, 0), 0u) << c.arguments << ": " << root.ReadFile("err.txt");
        EXPECT_EQ(root.ReadFile("bom.txt"), c.written) << c.arguments;
    }
}

TEST(GameHost, ProgramLogNamesMissingFilesOnlyWhenAsked)
{
    ScratchRoot root;
    root.MakeFile("nolevel.lua", "InitLevel('nolevel') assert(HOST.player() == nil)");
    const std::string program = std::string(VELTRIX_BINARY_DIR) + "/veltrix-host";
    const std::string missing = "cannot open Data\\Levels\\nolevel.lvl: No such file or directory\n";
    const struct
    {
        const char* environment;
        const char* options;
        bool logged;
    } cases[] = {
        { "env -u VELTRIX_LOG", "", false },
        { "env VELTRIX_LOG=0", "", false },
        { "env VELTRIX_LOG=1", "", true },
        { "env -u VELTRIX_LOG", "--log", true },
    };
    for (const auto& c : cases) {
        const std::string command = "cd " + root.Path() + " && " + c.environment + " " + program + " " + c.options
                                    + " nolevel.lua 2>err.txt";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        const std::string err = root.ReadFile("err.txt");
        EXPECT_EQ(err.find(missing) != std::string::npos, c.logged) << command << ": " << err;
        if (!c.logged)
            EXPECT_EQ(err, "") << command;
    }
}

namespace
{
// Heap bytes in use: the allocator's own count under the sanitizers (whose
// quarantine keeps freed memory resident), glibc's otherwise.
size_t HeapInUse()
{
#if VELTRIX_UNDER_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}
}

TEST(GameHost, GivesBackWhatItMadeWhenDestroyed)
{
    // A host takes milliseconds to make, more under the sanitizers; a few
    // hundred already show a kilobyte kept per host against the bound, and
    // the benchmark (bench/Host.cpp) runs the full ten thousand.
    const int hosts = VELTRIX_UNDER_ASAN ? 300 : 1000;
#if !VELTRIX_UNDER_ASAN
    // glibc would hand the freed heap top back to the system after every
    // host and fault it in again for the next; keep it for speed. The count
    // below is of bytes in use, which this does not change.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
#endif
    ScratchRoot root;
    delete new CPGameHost(root.Path()); // first-use tables grow once
    const size_t objectsBefore = GetObjectList().size();
    const size_t heapBefore = HeapInUse();
    for (int i = 0; i < hosts; ++i)
        delete new CPGameHost(root.Path());
    const size_t objectsMade = GetObjectList().size() - objectsBefore;
    const size_t heapAfter = HeapInUse();
    // The engine's object list never forgets an object: 8 bytes each, and a
    // vector may hold up to twice what it needs.
    const size_t allowed = 2 * sizeof(void*) * objectsMade + 200 * 1024;
    EXPECT_LE(heapAfter, heapBefore + allowed) << "grew " << (heapAfter - heapBefore) << " bytes over " << hosts
                                               << " hosts that made " << objectsMade << " objects";
}

TEST(GameHost, ClockAndSeedFunctionsSetWhatTheEngineReads)
{
    ScratchRoot root;
    CPGameHost host(root.Path());
    std::string error;
    ASSERT_TRUE(host.RunString("HOST.set_time_ms(123456) HOST.set_local_time(2024, 2, 4, 29, 23, 59, 58, 999) "
                               "HOST.seed(7)",
                               "clock", error))
        << error;
    EXPECT_EQ(timeGetTime(), 123456u);
    SYSTEMTIME time {};
    GetLocalTime(&time);
    EXPECT_EQ(time.wYear, 2024);
    EXPECT_EQ(time.wMonth, 2);
    EXPECT_EQ(time.wDayOfWeek, 4);
    EXPECT_EQ(time.wDay, 29);
    EXPECT_EQ(time.wHour, 23);
    EXPECT_EQ(time.wMinute, 59);
    EXPECT_EQ(time.wSecond, 58);
    EXPECT_EQ(time.wMilliseconds, 999);
    // The generator's first numbers after seeding with 7.
    EXPECT_EQ(crt::rand(), 61);
    EXPECT_EQ(crt::rand(), 17422);

    // Out-of-range values go to the nearest limit.
    ASSERT_TRUE(host.RunString("HOST.set_time_ms(-5) HOST.set_local_time(70000, -1, 0, 0, 0, 0, 0, 0)", "limits",
                               error))
        << error;
    EXPECT_EQ(timeGetTime(), 0u);
    GetLocalTime(&time);
    EXPECT_EQ(time.wYear, 65535);
    EXPECT_EQ(time.wMonth, 0);
    ASSERT_TRUE(host.RunString("HOST.set_time_ms(1e12)", "limit", error)) << error;
    EXPECT_EQ(timeGetTime(), 0xFFFFFFFFu);
    PlatformClock::UseRealClocks();
}
