// Arbitrary bytes as a file, read back through every reader operation in an
// order the same bytes choose; some inputs also describe an archive entry
// that points anywhere in the file. Files live in a scratch root under /tmp.
#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
uint32_t Word(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
        | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    CPFileWriter writer("Input.BIN");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();

    const BYTE flags = size > 0 ? data[0] : 0;
    g_PackArchives.clear();
    std::string path = "INPUT.bin";
    if ((flags & 1) && size >= 9) {
        // The entry's size stays near the file's so a load never asks for gigabytes.
        CPPackArchive archive;
        archive.path = "input.bin";
        archive.index["fuzz\\packed.bin"] = CPPackEntry { Word(data + 1), Word(data + 5) % static_cast<uint32_t>(size + 64) };
        g_PackArchives.push_back(archive);
        path = "Fuzz\\Packed.bin";
    }

    CPFileReader reader(path, static_cast<BYTE>(flags & 2));
    if (FAILED(reader.Load()) && reader.GetSize() == 0)
        return 0;
    volatile uint32_t sink = 0;
    if (reader.GetSize() > 0)
        sink = sink + reader.GetData()[reader.GetSize() - 1];
    uint8_t buffer[300];
    for (size_t i = 1; i < size && i < 200; ++i) {
        switch (data[i] % 4) {
        case 0:
            sink = sink + static_cast<uint32_t>(reader.ReadInt());
            break;
        case 1: {
            const float value = reader.ReadFloat();
            sink = sink + (value == value ? 1u : 0u);
            break;
        }
        case 2:
            sink = sink + static_cast<uint32_t>(reader.ReadString().size());
            break;
        default:
            reader.Read(buffer, data[i]);
            sink = sink + buffer[data[i] / 2];
            break;
        }
    }
    g_PackArchives.clear();
    return 0;
}
