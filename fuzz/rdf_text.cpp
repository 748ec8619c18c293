// Arbitrary text as a scene description over a few small mesh, animation and
// track files: parsed and built into a tree, which must never crash or loop.
// The tree ends with the input.
#include "Core/PGameObject.h"
#include "Render/PAnimationManager.h"
#include "Render/PRenderObjectManager.h"
#include "fuzz/InputObjects.h"
#include "tests/SceneSeeds.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static CPAnimationManager animations;
    static CPRenderObjectManager loader;
    static const bool written = [] {
        for (const auto& file : scene::SceneFuzzFiles())
            root.MakeFile(file.first, file.second);
        return true;
    }();
    (void)written;
    const fuzz::InputObjects objects;
    GamePath::SetRoot(root.Path());
    g_AnimationManager = &animations;
    g_RenderObjectManager = &loader;

    root.MakeFile("Data/Meshes/fuzz.rdf", std::string(reinterpret_cast<const char*>(data), size));
    const CPSmartPtr<CPGameObject> tree = loader.LoadRenderObject("fuzz.rdf", 20);
    if (tree)
        tree->UpdateTransform();
    return 0;
}
