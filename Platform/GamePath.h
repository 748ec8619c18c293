// The one path layer: every file the engine opens, writes, lists or removes
// goes through here. Game paths are relative to the game root, separate their
// components with '\' or '/', and name files in any letter case ("DATA\Saves",
// "data/saves"); each component is matched without regard to ASCII case
// against what is on disk. Where two entries differ only by case, the exact
// spelling wins, else the first in byte order.
//
// Components: empty ones (repeated separators) and "." are skipped; ".."
// goes up one directory and stays at the root when already there, so a game
// path never leaves the game root (a leading separator also means the root).
//
// Directory contents are cached (lower-cased name -> spellings), so resolving
// a known path costs no system call, and a path resolved for reading before is
// answered from memory while nothing in the cache has changed. Writes through
// the layer keep the cache current; a name the cache lacks makes that
// directory be read again once (files created by others appear), unless the
// path still leads to the same directory with the same change time, read
// when that time was well past, on a local file system that stamps change
// times in sub-second steps. An open that fails through a cached resolution
// is retried once with every directory on the path read afresh. Exists and
// IsDirectory check their answer on disk.
//
// Single-threaded, like the engine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace GamePath
{
// What writing does with a directory on the path that does not exist yet.
enum class MissingDirs
{
    Create, // make it, spelled as the game path spells it
    Fail    // refuse the path
};

// One entry of a listed directory.
struct Entry
{
    std::string name; // spelling on disk
    bool isDirectory = false;
    uint64_t size = 0; // bytes, 0 for directories
};

// The host directory game paths are relative to; "." until set. A relative
// root is relative to the working directory, an absolute one is used as is;
// the root's own spelling is not case-matched. Setting it empties the cache.
void SetRoot(const std::string& hostDirectory);
const std::string& GetRoot();

// Host path of an existing file or directory; false when a component is
// missing or a file stands where a directory is needed. The game root itself
// resolves to the root's host path.
bool ResolveForReading(const std::string& gamePath, std::string& hostPath);

// Host path at which to write the file the game path names: an existing file
// (matched as for reading) or a new name, spelled as given, in an existing
// directory. Missing directories are made or refused as `missing` says. A
// directory (or the root) standing where the file is wanted is refused, and
// so is a file standing where a directory is wanted.
bool ResolveForWriting(const std::string& gamePath, std::string& hostPath,
                       MissingDirs missing = MissingDirs::Create);

// The stdio open every game file goes through. Modes starting with 'r' need
// an existing regular file (a directory, FIFO or device is refused, errno
// EISDIR or EINVAL, without waiting on it); 'w' and 'a' resolve for writing
// and make missing directories unless `missing` says otherwise. Null on
// failure, like fopen.
FILE* GameFOpen(const std::string& gamePath, const char* mode);
FILE* GameFOpen(const std::string& gamePath, const char* mode, MissingDirs missing);

// Whether the path names an existing file or directory / an existing directory.
bool Exists(const std::string& gamePath);
bool IsDirectory(const std::string& gamePath);

// Deletes a file (never a directory); false when there is none or it fails.
bool RemoveFile(const std::string& gamePath);
// Moves a file to a new name, replacing a file already there (as one atomic
// step on the host). The target's directories must exist; a directory at the
// target is refused.
bool RenameFile(const std::string& fromGamePath, const std::string& toGamePath);

// The temporary ReplaceFile writes first: the file's name with this suffix,
// beside the file.
constexpr char kReplaceSuffix[] = ".~save";

// Writes the bytes as the whole file the game path names, in an existing
// directory. The bytes go to a temporary beside the file and are flushed to
// the disk, then the temporary is renamed over the file and the directory
// flushed, so a failed or interrupted save leaves the old file as it was. A
// temporary that an earlier save of the file left (its process killed) is
// taken away first. An existing file keeps its permission bits, and a
// symbolic link stays a link: the file it leads to is replaced. Refused
// (false, nothing changed): a target that is not a regular file (directory,
// FIFO, device: errno EISDIR or EINVAL; a broken link: ENOENT), a missing
// directory (ENOENT), a file or directory that has no write permission bit
// at all (EACCES), and one the process may not write (errno as the system
// says: EACCES, or EROFS on a read-only file system). Otherwise errno tells
// what failed (ENOSPC on a full disk, say).
bool ReplaceFile(const std::string& gamePath, const void* bytes, size_t size);

// For tests: the next ReplaceFile that reaches `step` fails there with errno
// `error`, as a read-only file system fails the access check and a full
// disk the write or the flush. An error of 0 cancels it.
enum class ReplaceStep
{
    CheckAccess,
    Write,
    Flush
};
void FailNextReplace(ReplaceStep step, int error);

// Whether the path stays inside the root on disk: every component that
// exists, with symbolic links followed, lies inside the root's own real
// directory. False also for a component that is a broken link.
bool StaysInsideRoot(const std::string& gamePath);

// The entries of a directory, read afresh from disk, in byte order of their
// names ("." and ".." left out). False when the path is not a directory.
bool ListDirectory(const std::string& gamePath, std::vector<Entry>& entries);

// Forgets everything cached; the next resolution reads the disk again.
void InvalidateCache();
// How many times a directory has been read from disk so far; tests and
// benchmarks use it to see what the cache saves.
uint64_t DirectoryReadCount();
// Whether the host folder is on a file system whose directory change times
// the cache trusts to tell that a directory is unchanged (see above).
bool TrustsChangeTimes(const std::string& hostPath);
}
