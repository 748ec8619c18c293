// Arbitrary bytes as the sky's text files: up to four parts separated by a
// line "@@" become the skyscape "sky.txt", the cloud set "set.txt", the cloud
// group "group.txt" and the cloud layer "layer.txt" in a scratch game root.
// The skyscape is loaded and rendered for a few frames on a recording device,
// and each cloud file is loaded on its own; the dome must stay within its
// buffers and every cloud group must hold its layers twice over. Each input
// draws on a device and render system of its own, which go with it.
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

class Stage
{
public:
    Stage()
        : m_device(PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{}))
    {
        m_device->SetLogging(false);
        m_device->BeginScene();
        g_Render = new CPRender(m_device);
        GetSkyDevice().device = m_device;
    }
    ~Stage()
    {
        GetSkyDevice().device = nullptr;
        delete g_Render;
        g_Render = nullptr;
        m_device->Release();
    }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

private:
    PlatformD3D9::RecordingDevice* m_device;
};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = Root();
    const Stage stage;
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
