#include "Platform/GamePath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

namespace GamePath
{
namespace
{
struct DirNode;

// One name in a directory as it is spelled on disk.
struct Spelling
{
    std::string name;
    bool isDirectory = false;
    DirNode* child = nullptr; // made on the first descent into it
};

// A directory and, once read, its entries keyed by lower-cased name. Each key
// holds every spelling of that name, in byte order.
struct DirNode
{
    std::string hostPath; // ends with '/'
    uint64_t loadEpoch = 0; // 0 until read; else the walk that last read it
    bool readable = false;  // whether the last read found the directory
    std::unordered_map<std::string, std::vector<Spelling>> entries;
    // Set when the last read can be known to be current by the directory's
    // identity and change time alone (see Unchanged).
    bool settled = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec changed {};
};

enum class Want
{
    Read,
    Write
};

enum class Outcome
{
    Ok,
    Missing, // a component does not exist (or cannot exist, like a name with a zero byte)
    Conflict // a file where a directory is needed, or the other way round
};

// Where a walk ended: in a directory (`dir`), or at a file in `parent`,
// existing or about to be made.
struct Resolution
{
    DirNode* dir = nullptr;
    DirNode* parent = nullptr;
    std::string_view name; // the file's spelling: on disk, or as given when new;
                           // valid until the next walk or cache change
    bool exists = false;
};

// The answer of an earlier read walk of the same game path, good while the
// cache has not changed since.
struct Remembered
{
    std::string hostPath;
    bool isDirectory = false;
    uint64_t generation = 0;
};

// Nodes are owned by a pool and live until the cache is emptied, so a node
// pointer stays valid across every walk and every re-read.
struct State
{
    std::string root = ".";
    std::vector<std::unique_ptr<DirNode>> pool;
    DirNode* top = nullptr;
    uint64_t epoch = 0;
    uint64_t directoryReads = 0;
    // Counts changes to any cached directory; a remembered answer from an
    // older generation is walked again.
    uint64_t generation = 1;
    std::unordered_map<std::string, Remembered> remembered;
    // Scratch of the current walk, kept to avoid allocations.
    std::vector<std::string_view> parts;
    std::vector<DirNode*> stack;
    std::string lower;
};

State& Cache()
{
    static State state;
    return state;
}

DirNode* NewNode(State& state, std::string hostPath)
{
    state.pool.push_back(std::make_unique<DirNode>());
    DirNode* node = state.pool.back().get();
    node->hostPath = std::move(hostPath);
    return node;
}

void Reset(State& state)
{
    ++state.generation;
    state.remembered.clear();
    state.pool.clear();
    std::string prefix = state.root;
    if (prefix.back() != '/')
        prefix += '/';
    state.top = NewNode(state, std::move(prefix));
}

State& Ready()
{
    State& state = Cache();
    if (!state.top)
        Reset(state);
    return state;
}

void FoldCase(std::string_view text, std::string& out)
{
    out.assign(text.data(), text.size());
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

bool IsDirectoryOnDisk(const std::string& hostPath)
{
    struct stat info;
    return stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ByName(const Spelling& a, const Spelling& b)
{
    return a.name < b.name;
}

// Local file systems, whose directory change time moves with every entry
// made, removed or renamed in it as the change happens (a network file
// system's may be cached or come from another clock).
bool KeepsChangeTimes(const struct statfs& system)
{
    constexpr long kExt = 0xEF53;
    constexpr long kTmp = 0x01021994;
    constexpr long kXfs = 0x58465342;
    constexpr long kBtrfs = 0x9123683E;
    const long type = static_cast<long>(system.f_type);
    return type == kExt || type == kTmp || type == kXfs || type == kBtrfs;
}

// A change time this far before the read began cannot be the change time of
// a later change: the clock the kernel stamps with lags the real clock by at
// most a timer tick.
constexpr int64_t kSettledNanoseconds = 50'000'000;

int64_t Nanoseconds(const timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Notes the directory's identity and change time before its entries are
// read, when they will tell whether the entries changed since: a change time
// with sub-second steps (one of whole seconds has no nanoseconds), from well
// before the read. A directory whose status cannot be read is never settled
// (and keeps the zeros of an unread status): it is read again on every look.
void Settle(DirNode& node, int fd, const timespec& readStart)
{
    struct stat info {};
    struct statfs system {};
    node.settled = fstat(fd, &info) == 0 && fstatfs(fd, &system) == 0 && KeepsChangeTimes(system)
        && info.st_ctim.tv_nsec != 0
        && Nanoseconds(info.st_ctim) < Nanoseconds(readStart) - kSettledNanoseconds;
    node.device = info.st_dev;
    node.inode = info.st_ino;
    node.changed = info.st_ctim;
}

// Whether a settled directory still is the one that was read, with the
// same change time: then no entry was made, removed or renamed in it since.
bool Unchanged(const DirNode& node)
{
    struct stat info;
    return node.settled && stat(node.hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_dev == node.device && info.st_ino == node.inode
        && info.st_ctim.tv_sec == node.changed.tv_sec && info.st_ctim.tv_nsec == node.changed.tv_nsec;
}

// Reads a directory's entries from disk. Subdirectories already known keep
// their nodes, and with them what is cached below them.
void Load(DirNode& node, uint64_t epoch)
{
    ++Cache().directoryReads;
    ++Cache().generation;
    std::unordered_map<std::string, std::vector<Spelling>> fresh;
    std::string key;
    timespec readStart {};
    clock_gettime(CLOCK_REALTIME, &readStart);
    DIR* dir = opendir(node.hostPath.c_str());
    node.readable = dir != nullptr;
    node.settled = false;
    if (dir) {
        Settle(node, dirfd(dir), readStart);
        while (const dirent* item = readdir(dir)) {
            const std::string_view name = item->d_name;
            if (name == "." || name == "..")
                continue;
            bool isDirectory = item->d_type == DT_DIR;
            if (item->d_type != DT_DIR && item->d_type != DT_REG) {
                // A link's kind can change without its directory changing.
                isDirectory = IsDirectoryOnDisk(node.hostPath + item->d_name);
                node.settled = false;
            }
            FoldCase(name, key);
            fresh[key].push_back(Spelling { std::string(name), isDirectory, nullptr });
        }
        closedir(dir);
    }
    for (auto& [lower, spellings] : fresh) {
        std::sort(spellings.begin(), spellings.end(), ByName);
        const auto old = node.entries.find(lower);
        if (old == node.entries.end())
            continue;
        for (Spelling& now : spellings) {
            for (const Spelling& before : old->second) {
                if (now.isDirectory && before.child && before.name == now.name)
                    now.child = before.child;
            }
        }
    }
    node.entries.swap(fresh);
    node.loadEpoch = epoch;
}

Spelling& Pick(std::vector<Spelling>& spellings, std::string_view wanted)
{
    if (spellings.size() == 1)
        return spellings.front();
    for (Spelling& spelling : spellings) {
        if (spelling.name == wanted)
            return spelling;
    }
    return spellings.front();
}

DirNode* Descend(State& state, DirNode& parent, Spelling& spelling)
{
    if (!spelling.child)
        spelling.child = NewNode(state, parent.hostPath + spelling.name + '/');
    return spelling.child;
}

void AddSpelling(DirNode& parent, std::string_view name, bool isDirectory)
{
    if (parent.loadEpoch == 0)
        return; // not read yet: the next read will see it
    std::string key;
    FoldCase(name, key);
    std::vector<Spelling>& spellings = parent.entries[key];
    for (const Spelling& spelling : spellings) {
        if (spelling.name == name)
            return;
    }
    spellings.push_back(Spelling { std::string(name), isDirectory, nullptr });
    ++Cache().generation;
    std::sort(spellings.begin(), spellings.end(), ByName);
}

void RemoveSpelling(DirNode& parent, const std::string& name)
{
    std::string key;
    FoldCase(name, key);
    const auto found = parent.entries.find(key);
    if (found == parent.entries.end())
        return;
    std::vector<Spelling>& spellings = found->second;
    ++Cache().generation;
    spellings.erase(std::remove_if(spellings.begin(), spellings.end(),
                                   [&](const Spelling& s) { return s.name == name; }),
                    spellings.end());
    if (spellings.empty())
        parent.entries.erase(found);
}

void Split(const std::string& gamePath, std::vector<std::string_view>& parts)
{
    parts.clear();
    const std::string_view path = gamePath;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && path[end] != '\\' && path[end] != '/')
            ++end;
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
}

std::string DirectoryHostPath(const DirNode& node)
{
    std::string path = node.hostPath;
    if (path.size() > 1)
        path.pop_back();
    return path;
}

// A failed walk sets errno as the system would for the host path.
Outcome Failed(Outcome outcome, int error)
{
    errno = error;
    return outcome;
}

// Follows a game path from the root. With `fresh`, every directory on the
// way is read from disk once; otherwise only a directory that lacks a name
// is read again (once per walk). A failure sets errno: ENOENT for a missing
// component, ENOTDIR for a file where a directory is needed, EISDIR for a
// directory where a file is to be written.
Outcome Walk(const std::string& gamePath, Want want, MissingDirs missing, bool fresh,
             std::string& hostPath, Resolution& result)
{
    State& state = Ready();
    const uint64_t epoch = ++state.epoch;
    Split(gamePath, state.parts);
    state.stack.clear();
    state.stack.push_back(state.top);
    result = Resolution();

    for (size_t i = 0; i < state.parts.size(); ++i) {
        const std::string_view part = state.parts[i];
        if (part == "..") {
            if (state.stack.size() > 1)
                state.stack.pop_back();
            continue;
        }
        if (part.find('\0') != std::string_view::npos)
            return Failed(Outcome::Missing, EINVAL);
        DirNode& node = *state.stack.back();
        if (node.loadEpoch == 0 || (fresh && node.loadEpoch != epoch))
            Load(node, epoch);
        FoldCase(part, state.lower);
        auto found = node.entries.find(state.lower);
        if (found == node.entries.end() && node.loadEpoch != epoch && !Unchanged(node)) {
            Load(node, epoch);
            found = node.entries.find(state.lower);
        }
        const bool last = i + 1 == state.parts.size();

        if (found == node.entries.end()) {
            if (want == Want::Read)
                return Failed(Outcome::Missing, ENOENT);
            if (last) {
                result.parent = &node;
                result.name = part;
                hostPath = node.hostPath;
                hostPath += part;
                return Outcome::Ok;
            }
            if (missing == MissingDirs::Fail)
                return Failed(Outcome::Missing, ENOENT);
            const std::string made = node.hostPath + std::string(part);
            if (mkdir(made.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectoryOnDisk(made)))
                return Failed(Outcome::Conflict, errno == EEXIST ? ENOTDIR : errno);
            std::vector<Spelling>& spellings = node.entries[state.lower];
            spellings.push_back(Spelling { std::string(part), true, nullptr });
            ++state.generation;
            DirNode* child = Descend(state, node, spellings.back());
            child->loadEpoch = epoch; // just made: known to be empty
            child->readable = true;
            child->entries.clear();
            state.stack.push_back(child);
            continue;
        }

        Spelling& spelling = Pick(found->second, part);
        if (spelling.isDirectory) {
            state.stack.push_back(Descend(state, node, spelling));
            continue;
        }
        if (!last)
            return Failed(Outcome::Conflict, ENOTDIR);
        result.parent = &node;
        result.name = spelling.name;
        result.exists = true;
        hostPath = node.hostPath;
        hostPath += spelling.name;
        return Outcome::Ok;
    }

    if (want == Want::Write)
        return Failed(Outcome::Conflict, EISDIR);
    DirNode& dir = *state.stack.back();
    if (dir.loadEpoch == 0 || (fresh && dir.loadEpoch != epoch))
        Load(dir, epoch);
    if (!dir.readable)
        return Failed(Outcome::Missing, ENOENT); // a missing root, or a directory removed by others
    result.dir = &dir;
    hostPath = DirectoryHostPath(*result.dir);
    return Outcome::Ok;
}

// A walk through the cache; a conflict may come from a stale cache, so it is
// walked once more with every directory read afresh.
bool Resolve(const std::string& gamePath, Want want, MissingDirs missing,
             std::string& hostPath, Resolution& result)
{
    Outcome outcome = Walk(gamePath, want, missing, false, hostPath, result);
    if (outcome == Outcome::Conflict)
        outcome = Walk(gamePath, want, missing, true, hostPath, result);
    return outcome == Outcome::Ok;
}

// Read walks answer from memory while nothing in the cache has changed, so a
// known path costs one lookup. The memory is bounded: when full it starts over.
constexpr size_t kMaxRemembered = 4096;

bool Recall(const std::string& gamePath, std::string& hostPath, bool& isDirectory)
{
    State& state = Ready();
    const auto found = state.remembered.find(gamePath);
    if (found == state.remembered.end() || found->second.generation != state.generation)
        return false;
    hostPath = found->second.hostPath;
    isDirectory = found->second.isDirectory;
    return true;
}

void Remember(const std::string& gamePath, const std::string& hostPath, bool isDirectory)
{
    State& state = Cache();
    if (state.remembered.size() >= kMaxRemembered)
        state.remembered.clear();
    Remembered& entry = state.remembered[gamePath];
    entry.hostPath = hostPath;
    entry.isDirectory = isDirectory;
    entry.generation = state.generation;
}

// A read resolution through memory, then through the cache.
bool ResolveRead(const std::string& gamePath, std::string& hostPath, bool& isDirectory)
{
    if (Recall(gamePath, hostPath, isDirectory))
        return true;
    Resolution result;
    if (!Resolve(gamePath, Want::Read, MissingDirs::Fail, hostPath, result))
        return false;
    isDirectory = result.dir != nullptr;
    Remember(gamePath, hostPath, isDirectory);
    return true;
}
}

void SetRoot(const std::string& hostDirectory)
{
    State& state = Cache();
    state.root = hostDirectory.empty() ? std::string(".") : hostDirectory;
    Reset(state);
}

const std::string& GetRoot()
{
    return Cache().root;
}

bool ResolveForReading(const std::string& gamePath, std::string& hostPath)
{
    bool isDirectory = false;
    return ResolveRead(gamePath, hostPath, isDirectory);
}

bool ResolveForWriting(const std::string& gamePath, std::string& hostPath, MissingDirs missing)
{
    Resolution result;
    return Resolve(gamePath, Want::Write, missing, hostPath, result);
}

FILE* GameFOpen(const std::string& gamePath, const char* mode)
{
    return GameFOpen(gamePath, mode, MissingDirs::Create);
}

namespace
{
// Opens an existing file for reading (or updating) only when it is a regular
// file: a FIFO or a device is never waited on or read (errno EINVAL).
FILE* OpenRegular(const std::string& hostPath, const char* mode)
{
    const bool update = std::strchr(mode, '+') != nullptr;
    const int fd = open(hostPath.c_str(), (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, mode);
    if (!file)
        close(fd);
    return file;
}
}

FILE* GameFOpen(const std::string& gamePath, const char* mode, MissingDirs missing)
{
    if (!mode)
        return nullptr;
    std::string hostPath;
    Resolution result;
    if (mode[0] != 'w' && mode[0] != 'a') {
        bool isDirectory = false;
        if (!ResolveRead(gamePath, hostPath, isDirectory))
            return nullptr;
        if (!isDirectory) {
            if (FILE* file = OpenRegular(hostPath, mode))
                return file;
            if (errno != ENOENT)
                return nullptr; // there, but not to be read
        }
        // The answer may be stale: once more with every directory read afresh.
        if (Walk(gamePath, Want::Read, missing, true, hostPath, result) != Outcome::Ok)
            return nullptr;
        if (result.dir) {
            errno = EISDIR;
            return nullptr;
        }
        return OpenRegular(hostPath, mode);
    }

    for (int attempt = 0; attempt < 2; ++attempt) {
        const Outcome outcome = Walk(gamePath, Want::Write, missing, attempt == 1, hostPath, result);
        if (outcome == Outcome::Missing)
            return nullptr;
        if (outcome == Outcome::Conflict)
            continue; // maybe stale
        if (FILE* file = std::fopen(hostPath.c_str(), mode)) {
            if (!result.exists)
                AddSpelling(*result.parent, result.name, false);
            return file;
        }
    }
    return nullptr;
}

// Resolves for reading and checks the answer against the disk, so a file
// removed or replaced by others is not reported from a stale cache.
bool ResolveChecked(const std::string& gamePath, Resolution& result)
{
    std::string hostPath;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Outcome outcome = Walk(gamePath, Want::Read, MissingDirs::Fail, attempt == 1, hostPath, result);
        if (outcome == Outcome::Missing)
            return false;
        struct stat info;
        if (outcome == Outcome::Ok && stat(hostPath.c_str(), &info) == 0
            && S_ISDIR(info.st_mode) == (result.dir != nullptr))
            return true;
    }
    return false;
}

bool Exists(const std::string& gamePath)
{
    Resolution result;
    return ResolveChecked(gamePath, result);
}

bool IsDirectory(const std::string& gamePath)
{
    Resolution result;
    return ResolveChecked(gamePath, result) && result.dir;
}

bool RemoveFile(const std::string& gamePath)
{
    std::string hostPath;
    Resolution result;
    if (!Resolve(gamePath, Want::Read, MissingDirs::Fail, hostPath, result) || !result.exists)
        return false;
    if (unlink(hostPath.c_str()) != 0)
        return false;
    RemoveSpelling(*result.parent, std::string(result.name));
    return true;
}

bool RenameFile(const std::string& fromGamePath, const std::string& toGamePath)
{
    std::string fromHost;
    Resolution from;
    if (!Resolve(fromGamePath, Want::Read, MissingDirs::Fail, fromHost, from) || !from.exists)
        return false;
    const std::string fromName(from.name); // the next walk may re-read its directory
    std::string toHost;
    Resolution to;
    if (!Resolve(toGamePath, Want::Write, MissingDirs::Fail, toHost, to))
        return false;
    if (std::rename(fromHost.c_str(), toHost.c_str()) != 0)
        return false;
    if (fromHost != toHost) {
        if (!to.exists)
            AddSpelling(*to.parent, to.name, false);
        RemoveSpelling(*from.parent, fromName);
    }
    return true;
}

namespace
{
// A failure FailNextReplace set up: the step and its errno (0: none).
struct InjectedFailure
{
    ReplaceStep step = ReplaceStep::CheckAccess;
    int error = 0;
};

InjectedFailure g_Injected;

// True, with errno set, when this step is the one a test asked to fail.
bool Injected(ReplaceStep step)
{
    if (g_Injected.error == 0 || g_Injected.step != step)
        return false;
    errno = g_Injected.error;
    g_Injected.error = 0;
    return true;
}

// What the user could write: the entry is not marked read-only for everyone
// (EACCES; even a superuser's process respects that here), and the process
// has write access (errno from the check: EACCES, or EROFS on a read-only
// file system).
bool MayWrite(const std::string& hostPath, const struct stat& info)
{
    if (Injected(ReplaceStep::CheckAccess))
        return false;
    if ((info.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return access(hostPath.c_str(), W_OK) == 0;
}

bool WriteAll(int fd, const unsigned char* bytes, size_t size)
{
    if (Injected(ReplaceStep::Write))
        return false;
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Takes away the temporaries that saves of this file cut short (their
// process killed before the rename) left behind: the one this save would
// use and, in the file's directory, one of any other spelling of the name.
void RemoveStaleTemporaries(DirNode& parent, const std::string& name, const std::string& temp)
{
    unlink(temp.c_str());
    std::string key;
    FoldCase(name + kReplaceSuffix, key);
    const auto found = parent.entries.find(key);
    if (found == parent.entries.end())
        return;
    const std::vector<Spelling> spellings = found->second; // the loop below edits the cache
    for (const Spelling& spelling : spellings) {
        const std::string hostPath = parent.hostPath + spelling.name;
        struct stat info {};
        if (lstat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            unlink(hostPath.c_str());
        if (lstat(hostPath.c_str(), &info) != 0)
            RemoveSpelling(parent, spelling.name);
    }
}

// Makes a rename in the directory reach the disk. The file is in place
// already, so a failure here has nothing to undo and is not reported.
void SyncDirectory(const std::string& directory)
{
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}
}

bool ReplaceFile(const std::string& gamePath, const void* bytes, size_t size)
{
    if (size > 0 && !bytes) {
        errno = EINVAL;
        return false;
    }
    std::string hostPath;
    Resolution where;
    if (!Resolve(gamePath, Want::Write, MissingDirs::Fail, hostPath, where))
        return false;
    const bool isNew = !where.exists;
    const std::string newName(where.name);
    DirNode* const parent = where.parent;

    std::string target = hostPath;
    struct stat info {};
    const bool exists = lstat(hostPath.c_str(), &info) == 0;
    if (exists) {
        if (S_ISLNK(info.st_mode)) {
            char* resolved = realpath(hostPath.c_str(), nullptr);
            if (!resolved)
                return false;
            target = resolved;
            std::free(resolved);
            if (stat(target.c_str(), &info) != 0)
                return false;
        }
        if (!S_ISREG(info.st_mode)) {
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        if (!MayWrite(target, info))
            return false;
    }
    const size_t slash = target.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    struct stat directoryInfo {};
    if (stat(directory.c_str(), &directoryInfo) != 0 || !MayWrite(directory, directoryInfo))
        return false;

    const std::string temp = target + kReplaceSuffix;
    RemoveStaleTemporaries(*parent, newName, temp);
    const mode_t mode = exists ? (info.st_mode & 07777) : 0666;
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    bool written = WriteAll(fd, static_cast<const unsigned char*>(bytes), size);
    // The creation mode passed the umask; an existing file's bits are kept whole.
    if (exists)
        written = written && fchmod(fd, mode) == 0;
    // The bytes reach the disk before the name moves over the old file, so
    // a crash leaves the one file or the other whole.
    written = written && !Injected(ReplaceStep::Flush) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temp.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temp.c_str());
        errno = error;
        return false;
    }
    SyncDirectory(directory);
    if (isNew && !exists)
        AddSpelling(*parent, newName, false);
    return true;
}

void FailNextReplace(ReplaceStep step, int error)
{
    g_Injected = InjectedFailure { step, error };
}

bool StaysInsideRoot(const std::string& gamePath)
{
    char* resolvedRoot = realpath(Ready().root.c_str(), nullptr);
    if (!resolvedRoot)
        return false;
    const std::string root = resolvedRoot;
    std::free(resolvedRoot);
    std::vector<std::string_view> parts;
    Split(gamePath, parts);
    std::string prefix;
    for (const std::string_view part : parts) {
        prefix.append(part).push_back('/');
        std::string hostPath;
        bool isDirectory = false;
        if (!ResolveRead(prefix.substr(0, prefix.size() - 1), hostPath, isDirectory))
            break; // made afresh from here on, inside what was checked
        char* resolved = realpath(hostPath.c_str(), nullptr);
        if (!resolved)
            return false;
        const std::string real = resolved;
        std::free(resolved);
        if (real != root && real.compare(0, root.size() + 1, root + "/") != 0)
            return false;
    }
    return true;
}

bool ListDirectory(const std::string& gamePath, std::vector<Entry>& entries)
{
    entries.clear();
    std::string hostPath;
    Resolution result;
    if (!Resolve(gamePath, Want::Read, MissingDirs::Fail, hostPath, result) || !result.dir)
        return false;
    State& state = Cache();
    DirNode& node = *result.dir;
    if (node.loadEpoch != state.epoch)
        Load(node, state.epoch);
    for (const auto& [lower, spellings] : node.entries) {
        for (const Spelling& spelling : spellings) {
            Entry entry;
            entry.name = spelling.name;
            entry.isDirectory = spelling.isDirectory;
            struct stat info;
            if (!spelling.isDirectory && stat((node.hostPath + spelling.name).c_str(), &info) == 0)
                entry.size = static_cast<uint64_t>(info.st_size);
            entries.push_back(std::move(entry));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

void InvalidateCache()
{
    Reset(Cache());
}

uint64_t DirectoryReadCount()
{
    return Cache().directoryReads;
}

bool TrustsChangeTimes(const std::string& hostPath)
{
    struct statfs system {};
    return statfs(hostPath.c_str(), &system) == 0 && KeepsChangeTimes(system);
}
}
