// The configuration registry: maps the keys of "config.cfg" to the typed
// variables bound to the game's configuration globals, fills them from the
// file and writes them back. Engine code never goes through it; it reads the
// globals. One registry exists at a time, reached through g_Config.
//
// The file is plain text, one "name = value" line per variable, CR LF line
// ends on writing, LF or CR LF on reading. A line holding only a name sets
// the variable to 1 after "+", to 0 after "-" or without a sign. Names are
// case-sensitive; unknown names are ignored. Saved lines follow the name
// map's own order (see CPConfigNameMap), which stored files keep.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/Win32.h"
#include "Startup/PDator.h"

#include <cstdint>
#include <forward_list>
#include <string>
#include <utility>
#include <vector>

// A chained hash map of names with a fixed 193 buckets. A name's bucket is
// h mod 193 with h = 5 * h + c over its bytes as signed chars (32-bit
// unsigned arithmetic, from 0); a new name goes to the head of its chain.
// Iteration runs through the buckets in order and along each chain from its
// head, which is the line order of a saved "config.cfg".
class CPConfigNameMap
{
public:
    typedef std::pair<std::string, CPSmartPtr<CPDatorBase>> Entry;

    static constexpr uint32_t kBucketCount = 193;
    static uint32_t Hash(const std::string& name);

    CPConfigNameMap();

    // The handle stored under the name, or null when the name is unknown.
    CPSmartPtr<CPDatorBase>* Find(const std::string& name);
    // The handle under the name, inserting the name with a null handle first
    // when it is new.
    CPSmartPtr<CPDatorBase>& operator[](const std::string& name);
    void Clear();

    // Calls visit(name, handle) for every entry in iteration order.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const auto& chain : m_buckets) {
            for (const Entry& entry : chain)
                visit(entry.first, entry.second);
        }
    }

private:
    std::vector<std::forward_list<Entry>> m_buckets;
};

class CPConfig
{
public:
    // Publishes g_Config and registers the standard variables, which then
    // hold whatever their globals hold (their defaults at start-up).
    CPConfig();
    CPConfig(const CPConfig&) = delete;
    CPConfig& operator=(const CPConfig&) = delete;
    // Drops the standard variables' handles and the map's, clears g_Config.
    virtual ~CPConfig();

    // Stores the handle under the name, replacing what was there.
    void Register(const std::string& name, const CPSmartPtr<CPDatorBase>& handle);

    // Applies the file's lines in order over the current values. A line of
    // kMaxLineLength characters or more is skipped whole. S_OK when the file
    // was read, S_FALSE when there is none; E_FAIL (errno telling why) when
    // it is there but cannot be read: no permission, not a regular file (a
    // FIFO or a device is never waited on), or a read error, which ends the
    // file there. A file that is not read changes nothing.
    HRESULT Load(const std::string& path);
    // Splits one line into sign, name and value and applies it.
    void ParseLine(const std::string& line);
    // Writes every registered variable, replacing the file (see
    // CPFileWriter::Save). A file that cannot be written is left as it was:
    // E_FAIL, errno telling why.
    HRESULT Save(const std::string& path);

    // The file's text as Save writes it.
    std::string SaveText() const;

    static constexpr size_t kMaxLineLength = 1024;

private:
    // sign: +1 after "+", -1 after "-", 0 without.
    void Apply(const std::string& name, const std::string& value, int sign);

    CPConfigNameMap m_names;
};

extern CPConfig* g_Config;

// The name of the configuration file in the working directory.
extern const char kConfigFileName[];
