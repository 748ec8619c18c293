// Arbitrary bytes as the sky's text files: up to four parts separated by a
// line "@@" become the skyscape "sky.txt", the cloud set "set.txt", the cloud
// group "group.txt" and the cloud layer "layer.txt" in a scratch game root.
// The skyscape is loaded and rendered for a few frames on a recording device,
// and each cloud file is loaded on its own; the dome must stay within its
// buffers and every cloud group must hold its layers twice over.
#include "DynamicSky/Skyscape.h"
#include "Platform/D3D9Device.h"
#include "Platform/GamePath.h"
#include "Render/PRender.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
const char* const kFiles[] = { "sky.txt", "set.txt", "group.txt", "layer.txt" };

std::string& Root()
{
    static std::string root = [] {
        char pattern[] = "/tmp/veltrix-sky-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            std::abort();
        std::filesystem::create_directories(std::string(made) + "/data/clouds");
        GamePath::SetRoot(made);
        return std::string(made);
    }();
    return root;
}

PlatformD3D9::RecordingDevice* Device()
{
    static PlatformD3D9::RecordingDevice* device = [] {
        PlatformD3D9::RecordingDevice* made = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        made->SetLogging(false);
        made->BeginScene();
        g_Render = new CPRender(made);
        GetSkyDevice().device = made;
        return made;
    }();
    return device;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = Root();
    Device();
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t from = 0;
    for (const char* name : kFiles) {
        const size_t mark = from <= text.size() ? text.find("\n@@\n", from) : std::string::npos;
        const std::string part = from <= text.size() ? text.substr(from, mark == std::string::npos ? std::string::npos : mark - from) : "";
        std::ofstream(root + "/data/clouds/" + name, std::ios::binary | std::ios::trunc) << part;
        from = mark == std::string::npos ? text.size() + 1 : mark + 4;
    }

    {
        CPSkyscape sky;
        sky.Load("sky.txt");
        if (sky.sourceVertices.size() > CPVertexObject::kMaxVertices || sky.indices.size() > CPVertexObject::kMaxIndices)
            std::abort();
        for (float frame : { 0.0f, 0.5f, 30.0f, -1.0f })
            sky.Render(frame);
    }
    CPCloudSet set;
    set.Load("set.txt");
    CPCloudGroup group;
    group.Load("group.txt");
    if (group.entries.size() != group.layers.size())
        std::abort();
    CPCloudLayer layer;
    layer.Load("layer.txt", 2.0f, 0.5f);
    for (const CPCloudPuff& puff : layer.puffs) {
        if (puff.layer != &layer)
            std::abort();
    }
    return 0;
}
