// Arbitrary bytes as a run of path records, read one after the other as the
// level loader does; each path that loads is grounded and searched from
// points the same bytes give, and its ring is walked once round. The debug
// bodies the paths leave behind end with the input.
#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Platform/GamePath.h"
#include "Race/PSpline.h"
#include "fuzz/InputObjects.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    const fuzz::InputObjects objects;
    GamePath::SetRoot(root.Path());
    root.MakeDirectory("data/levels");
    CPFileWriter writer("Data\\Levels\\fuzz.lvl");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();
    CPFileReader reader("Data\\Levels\\fuzz.lvl");
    if (FAILED(reader.Load()))
        return 0;

    for (int record = 0; record < 4 && reader.GetRemaining() > 0; ++record) {
        CPSpline spline;
        if (!spline.Load(reader))
            break;
        spline.DropToGround();
        const CPLine* first = spline.GetFirstLine();
        if (first) {
            size_t count = 0;
            const CPLine* line = first;
            do {
                if (!line->next || line->next->previous != line)
                    std::abort();
                line = line->next;
            } while (line != first && ++count <= spline.GetLines().size());
            if (line != first)
                std::abort();
        }
        CPLine* hint = nullptr;
        for (size_t i = 0; i + 12 <= size && i < 96; i += 12) {
            float values[3];
            std::memcpy(values, data + i, sizeof(values));
            float radius = values[2];
            spline.FindNearestLine(D3DXVECTOR3(values[0], values[1], 0.0f), radius, static_cast<int32_t>(data[i] % 4),
                                   hint);
            if (first && !hint)
                std::abort();
        }
    }
    return 0;
}
