#include "Platform/MediaClaims.h"

#include "Platform/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace
{
using PlatformMedia::kCutShortSlack;

bool Is(const uint8_t* id, const char* name)
{
    return std::memcmp(id, name, 4) == 0;
}

bool IsAny(const uint8_t* id, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [id](const char* name) { return Is(id, name); });
}

std::string ChunkName(const uint8_t* id)
{
    std::string name;
    for (int i = 0; i < 4; ++i)
        name += id[i] >= 0x20 && id[i] < 0x7F && id[i] != '"' ? static_cast<char>(id[i]) : '?';
    return name;
}

// The length of the ID3v2 tag whose 10-byte header `h` is, header and
// footer included; 0 when `h` is no such header.
int64_t Id3Length(const uint8_t* h)
{
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF || ((h[6] | h[7] | h[8] | h[9]) & 0x80))
        return 0;
    const int64_t body = int64_t { h[6] } << 21 | int64_t { h[7] } << 14 | int64_t { h[8] } << 7 | h[9];
    return 10 + body + ((h[5] & 0x10) ? 10 : 0);
}

// One walk of a file: its position moves only forward, by at least a
// chunk's header each step, so it ends within the file's size in steps.
class ClaimWalk
{
public:
    ClaimWalk(FILE* file, int64_t size)
        : m_file(file)
        , m_size(size)
    {
    }

    std::string Run()
    {
        const int64_t origin = SkipId3(0);
        uint8_t form[12];
        if (!m_reason.empty() || !Read(origin, form, sizeof(form)))
            return m_reason;
        const uint8_t* type = form + 8;
        if (Is(type, "WAVE") && IsAny(form, { "RIFF", "RIFX", "RF64", "BW64" }))
            WalkWave(origin, Is(form, "RIFX"), IsAny(form, { "RF64", "BW64" }), Is(form, "RF64"));
        else if ((Is(form, "RIFF") && IsAny(type, { "AVI ", "AVIX", "AVI\x19", "AMV " }))
                 || (Is(form, "ON2 ") && Is(type, "ON2f")))
            WalkAvi(origin);
        return m_reason;
    }

private:
    // The bytes at `at`: false when the file ends before all of them.
    bool Read(int64_t at, uint8_t* into, size_t count)
    {
        return at >= 0 && at + static_cast<int64_t>(count) <= m_size
            && fseeko(m_file, static_cast<off_t>(at), SEEK_SET) == 0 && fread(into, 1, count, m_file) == count;
    }

    // Records the refusal when a block the readers allocate, ending at
    // `end`, runs past the end of the file by more than the slack.
    bool Allocates(const std::string& what, int64_t claim, int64_t at, int64_t end)
    {
        if (end - m_size <= kCutShortSlack)
            return true;
        char reason[160];
        std::snprintf(reason, sizeof(reason), "%s of %lld bytes at byte %lld (the file has %lld)", what.c_str(),
                      static_cast<long long>(claim), static_cast<long long>(at), static_cast<long long>(m_size));
        m_reason = reason;
        return false;
    }

    // The type of the list whose header is at `at`: false when the file ends
    // before it.
    bool ReadListType(int64_t at, uint8_t (&type)[4]) { return Read(at + 8, type, sizeof(type)); }

    bool ChunkAllocates(const uint8_t* id, int64_t size, int64_t at, int64_t end)
    {
        return Allocates("a \"" + ChunkName(id) + "\" chunk", size, at, end);
    }

    // The ID3v2 tags at `at`, one after another, as the tag reader takes
    // them: where the bytes after them begin.
    int64_t SkipId3(int64_t at)
    {
        uint8_t header[10];
        while (Read(at, header, sizeof(header))) {
            const int64_t length = Id3Length(header);
            if (length == 0 || !Allocates("an ID3 tag", length, at, at + length))
                break;
            at += length;
        }
        return at;
    }

    // The tags of a tag list ("LIST" of type "INFO") from `start` to the end
    // the list claims, as the tag reader takes them: a tag that does not fit
    // in the list is read again one byte earlier (for writers that leave out
    // a pad byte), and each tag's text is allocated at its claimed size.
    // Where the reader stops.
    int64_t WalkInfo(int64_t start, int64_t end)
    {
        auto fits = [end](int64_t cur, int64_t size) {
            return size <= end && end - size >= cur && size != 0xFFFFFFFF;
        };
        int64_t cur = start;
        uint8_t header[8];
        while (m_reason.empty() && cur <= end - 8) {
            if (!Read(cur, header, sizeof(header)))
                return m_size;
            int64_t at = cur;
            int64_t size = LoadLe32(header + 4);
            if (!fits(cur, size)) {
                at = cur - 1;
                if (!Read(at, header, sizeof(header)))
                    return m_size;
                size = LoadLe32(header + 4);
                if (!fits(cur, size))
                    return cur + 7;
            }
            const int64_t pos = at + 8;
            const int64_t padded = size + (size & 1);
            if (LoadLe32(header) == 0) {
                cur = pos + padded;
                continue;
            }
            if (!ChunkAllocates(header, size, at, pos + padded))
                break;
            cur = std::min(pos + padded, std::max(pos, m_size));
        }
        return cur;
    }

    // A WAV file: chunk after chunk to the end of the file, whatever size
    // the form claims, as the WAV reader goes.
    void WalkWave(int64_t origin, bool bigEndian, bool ds64, bool rf64)
    {
        int64_t at = origin + 12;
        int64_t dataSize = 0;
        uint8_t header[8];
        if (ds64) {
            // The sizes chunk comes first and gives the samples' size.
            uint8_t sizes[8];
            if (!Read(at, header, sizeof(header)) || !Is(header, "ds64") || LoadLe32(header + 4) < 24
                || !Read(at + 16, sizes, sizeof(sizes)))
                return;
            dataSize = static_cast<int64_t>(LoadLe32(sizes) | uint64_t { LoadLe32(sizes + 4) } << 32);
            at += 8 + static_cast<int64_t>(LoadLe32(header + 4));
        }
        while (m_reason.empty() && Read(at, header, sizeof(header))) {
            const int64_t size = bigEndian ? LoadBe32(header + 4) : LoadLe32(header + 4);
            int64_t next = at + 8 + size;
            if (Is(header, "bext")) {
                // Text past the fixed fields is allocated whole.
                if (size > 602 && !ChunkAllocates(header, size, at, next))
                    return;
            } else if (IsAny(header, { "LIST", "list" })) {
                uint8_t type[4];
                if (size < 4 || !ReadListType(at, type))
                    return;
                if (Is(type, "INFO"))
                    WalkInfo(at + 12, next);
            } else if (IsAny(header, { "ID3 ", "id3 " })) {
                SkipId3(at + 8);
            } else if (Is(header, "data")) {
                // Samples are read packet by packet; a size of all ones runs
                // to the end, and so does a size of 0 but in an RF64 file,
                // whose sizes chunk gives the samples' size.
                if (ds64)
                    next = dataSize >= 0 && dataSize < m_size ? at + 8 + dataSize : m_size;
                else if (size == 0xFFFFFFFF)
                    return;
                if (size == 0 && !rf64)
                    return;
            } else if (Is(header, "SMV0")) {
                return;
            }
            if (next >= m_size || next < at)
                return;
            at = next + ((next - origin) & 1);
        }
    }

    // An AVI file: the header's chunks, into every list, up to the frame
    // list, then what follows the frames (the index and tag lists), as the
    // AVI reader goes.
    void WalkAvi(int64_t origin)
    {
        int64_t at = origin + 12;
        int64_t listEnd = 0;
        uint8_t header[8];
        while (m_reason.empty() && Read(at, header, sizeof(header))) {
            const int64_t size = LoadLe32(header + 4);
            const int64_t padded = size + (size & 1);
            if (Is(header, "LIST")) {
                listEnd = at + 8 + size;
                uint8_t type[4];
                if (!ReadListType(at, type))
                    return;
                if (Is(type, "movi")) {
                    if (size != 0)
                        WalkAviTail(at + 8 + padded);
                    return;
                }
                if (Is(type, "INFO")) {
                    if (size < 4)
                        return;
                    at = WalkInfo(at + 12, listEnd);
                } else {
                    at = Is(type, "ncdt") ? listEnd : at + 12;
                }
            } else if (IsAny(header, { "strf", "strd" })) {
                // Extra data is allocated at the size claimed, cut to the
                // list the chunk stands in.
                const int64_t data = at + 8;
                const int64_t taken = data < listEnd ? std::min(size, listEnd - data) : size;
                if (!ChunkAllocates(header, size, at, data + taken))
                    return;
                at = data + taken + (taken & 1);
            } else if (IsAny(header, { "strn", "isbj", "inam", "iart", "icop", "icmt", "ignr", "ipod", "isof" })) {
                // Names and tags are allocated whole; one cut short ends
                // the header.
                if (!ChunkAllocates(header, size, at, at + 8 + padded) || at + 8 + padded > m_size)
                    return;
                at += 8 + padded;
            } else if (IsAny(header, { "avih", "amvh", "strh", "vprp", "indx" })) {
                at += 8 + size;
            } else if (size > 1000000 && !IsAny(header, { "idx1", "IDIT", "dmlh" })) {
                // The reader takes a chunk this large for the frames.
                return;
            } else {
                at += 8 + padded;
            }
        }
    }

    // After the frames: the index and the tag lists.
    void WalkAviTail(int64_t at)
    {
        uint8_t header[8];
        while (m_reason.empty() && Read(at, header, sizeof(header))) {
            const int64_t size = LoadLe32(header + 4);
            if (Is(header, "LIST")) {
                uint8_t type[4];
                if (size < 4 || !ReadListType(at, type))
                    return;
                if (Is(type, "INFO"))
                    WalkInfo(at + 12, at + 8 + size);
            }
            at += 8 + size + (size & 1);
        }
    }

    FILE* m_file;
    int64_t m_size;
    std::string m_reason;
};
}

namespace PlatformMedia
{
std::string ClaimBeyondFile(FILE* file, int64_t fileSize)
{
    return ClaimWalk(file, fileSize).Run();
}
}
