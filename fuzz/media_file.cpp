// Arbitrary bytes as a video or music file: opened by the media reader and
// decoded frame by frame at a spread of times, forward and back; every frame
// handed out has the size the file announced. The same bytes go through the
// music graph, which must agree on whether they decode.
#include "Platform/DShow.h"
#include "Platform/GamePath.h"
#include "Platform/MediaFile.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    GamePath::SetRoot(root.Path());
    root.MakeFile("Data/Video/fuzz.avi", std::string(reinterpret_cast<const char*>(data), size));

    PlatformMedia::MediaFile file;
    const HRESULT opened = file.Open("Data\\Video\\fuzz.avi");
    if (SUCCEEDED(opened)) {
        if (file.Duration() < 0.0 || (file.HasVideo() && (file.Width() <= 0 || file.Height() <= 0)))
            std::abort();
        const size_t frameBytes = static_cast<size_t>(file.Width()) * static_cast<size_t>(file.Height()) * 4;
        for (int step = 0; step < 24; ++step) {
            const double seconds = step < 16 ? step * 0.05 : (23 - step) * 0.1;
            const int64_t frame = file.FrameAt(seconds);
            if (frame >= 0 && file.Pixels().size() != frameBytes)
                std::abort();
        }
    }

    PlatformDShow::Reset();
    IGraphBuilder* graph = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph)))) {
        if (SUCCEEDED(graph->RenderFile(u"Data\\Video\\fuzz.avi", nullptr)) != SUCCEEDED(opened))
            std::abort();
        graph->Release();
    }
    PlatformDShow::Reset();
    return 0;
}
