// Arbitrary bytes as a mesh file (older format or p3d) or an animation file,
// chosen by the first byte, loaded through a scene description. A file the
// loader refuses gives no tree; one it takes gives a tree whose bodies hold
// only indices into their own vertices' range as stored. The tree and the
// animations it loaded end with the input.
#include "Core/PGameObject.h"
#include "Render/PAnimationManager.h"
#include "Render/PRenderObjectManager.h"
#include "fuzz/InputObjects.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static CPAnimationManager animations;
    static CPRenderObjectManager loader;
    const fuzz::InputObjects objects;
    GamePath::SetRoot(root.Path());
    g_AnimationManager = &animations;
    g_RenderObjectManager = &loader;
    if (size == 0)
        return 0;

    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const char* const kDescriptions[] = {
        "mesh = fuzz.msh\n",
        "mesh = fuzz.p3d\n",
        "root = anim;walk,fuzz.anm;run,fuzz.anm\n",
    };
    static const char* const kFiles[] = { "Data/Meshes/fuzz.msh", "Data/Meshes/fuzz.p3d", "Data/Meshes/fuzz.anm" };
    const int form = data[0] % 3;
    root.MakeFile(kFiles[form], bytes);
    root.MakeFile("Data/Meshes/fuzz.rdf", kDescriptions[form]);
    const CPSmartPtr<CPGameObject> tree = loader.LoadRenderObject("fuzz.rdf", 20);
    if (tree) {
        CPGameObject::ObjectList all;
        tree->CollectHierarchy(all);
        tree->UpdateTransform();
    }
    return 0;
}
