// A scratch game root for one test: a fresh directory under /tmp that the
// path layer uses as its root while the object lives, removed with all its
// contents afterwards. The helpers reach the disk directly, so tests can set
// up and inspect files without going through the code under test.
#pragma once

#include "Platform/GamePath.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

class ScratchRoot
{
public:
    ScratchRoot()
    {
        char pattern[] = "/tmp/veltrix-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            std::abort(); // never fall back to the working directory
        m_path = made;
        GamePath::SetRoot(m_path);
    }
    ~ScratchRoot()
    {
        GamePath::SetRoot(".");
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;

    const std::string& Path() const { return m_path; }
    // Host path of a path relative to the root, written with '/'.
    std::string Host(const std::string& relative) const
    {
        return relative.empty() ? m_path : m_path + "/" + relative;
    }
    // Writes a file on disk, making its directories.
    void MakeFile(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path path = Host(relative);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void MakeDirectory(const std::string& relative) const
    {
        std::filesystem::create_directories(Host(relative));
    }
    std::string ReadFile(const std::string& relative) const
    {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool OnDisk(const std::string& relative) const
    {
        return std::filesystem::exists(Host(relative));
    }
    // Names in a directory on disk, sorted.
    // Removes everything below the root and forgets what the path layer cached.
    void Clear() const
    {
        std::error_code ignored;
        for (const auto& item : std::filesystem::directory_iterator(m_path, ignored))
            std::filesystem::remove_all(item.path(), ignored);
        GamePath::SetRoot(m_path);
    }
    std::vector<std::string> Names(const std::string& relative) const
    {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(Host(relative)))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
};

// Bytes given as numbers, for file contents.
inline std::string ByteString(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}
