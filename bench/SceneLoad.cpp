// Loading a generated scene of 5,000 mesh nodes (about 50 MB of mesh data in
// 50 files of 100 nodes, each named by a description file) through the scene
// loader, against a plain fread of the same files: each description and its
// mesh file, in the order the loader reads them. The files are written into a
// scratch root under /tmp when the program starts; the render system is
// absent, so no static geometry is uploaded and the cost measured is reading
// and building the trees.
#include "Core/PGameObject.h"
#include "Platform/GamePath.h"
#include "Render/PAnimationManager.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "tests/SceneFixtures.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kFiles = 50;
constexpr int kNodesPerFile = 100;
constexpr int kVerticesPerNode = 200;
constexpr int kIndicesPerNode = 300;

struct SceneRoot
{
    SceneRoot()
    {
        for (int f = 0; f < kFiles; ++f) {
            std::vector<scene::Node> nodes(kNodesPerFile);
            for (int n = 0; n < kNodesPerFile; ++n) {
                scene::Node& node = nodes[static_cast<size_t>(n)];
                node.name = "node" + std::to_string(n);
                for (int v = 0; v < kVerticesPerNode; ++v)
                    node.vertices.push_back(scene::At(static_cast<float>(v), static_cast<float>(n), 0));
                for (int i = 0; i < kIndicesPerNode; ++i)
                    node.indices.push_back(static_cast<uint16_t>(i % kVerticesPerNode));
            }
            char name[32];
            std::snprintf(name, sizeof(name), "scene%02d", f);
            scratch.MakeFile(std::string("Data/Meshes/") + name + ".msh", scene::MeshFile(nodes, false));
            scratch.MakeFile(std::string("Data/Meshes/") + name + ".rdf", std::string("mesh = ") + name + ".msh\n");
            for (const char* extension : { ".rdf", ".msh" }) {
                std::string host;
                GamePath::ResolveForReading(std::string("Data\\Meshes\\") + name + extension, host);
                hostFiles.push_back(host);
            }
            descriptions.push_back(std::string(name) + ".rdf");
        }
        g_AnimationManager = &animations;
        g_RenderObjectManager = &loader;
    }
    ScratchRoot scratch;
    CPAnimationManager animations;
    CPRenderObjectManager loader;
    std::vector<std::string> hostFiles;
    std::vector<std::string> descriptions;
};

SceneRoot& Root()
{
    static SceneRoot root;
    GamePath::SetRoot(root.scratch.Path());
    return root;
}

// Frees loaded trees once nothing refers to them any more: objects first
// (they only reset their bodies' counts), then the bodies.
void FreeTrees(std::vector<CPSmartPtr<CPGameObject>>& trees)
{
    std::vector<CPManagedObject*> bodies;
    std::vector<CPGameObject*> objects;
    for (const CPSmartPtr<CPGameObject>& tree : trees) {
        CPGameObject::ObjectList all;
        tree->CollectHierarchy(all);
        tree->GetDetailLevels().clear();
        for (const CPSmartPtr<CPGameObject>& object : all) {
            bodies.push_back(object->GetBody().Get());
            objects.push_back(object.Get());
        }
    }
    trees.clear();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        delete *it;
    for (CPManagedObject* body : bodies)
        delete body;
}

void SceneLoadThroughLoader(benchmark::State& state)
{
    SceneRoot& root = Root();
    int64_t nodes = 0;
    for (auto _ : state) {
        std::vector<CPSmartPtr<CPGameObject>> trees;
        for (const std::string& description : root.descriptions) {
            trees.push_back(root.loader.LoadRenderObject(description, 20));
            if (!trees.back()) {
                state.SkipWithError("load failed");
                return;
            }
            nodes += static_cast<int64_t>(trees.back()->GetChildren().size());
        }
        state.PauseTiming();
        FreeTrees(trees);
        state.ResumeTiming();
    }
    state.counters["nodes"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(SceneLoadThroughLoader)->Unit(benchmark::kMillisecond);

// The baseline: each description and mesh file opened and fread whole into a
// fresh buffer.
void SceneLoadPlainRead(benchmark::State& state)
{
    SceneRoot& root = Root();
    int64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& path : root.hostFiles) {
            std::FILE* file = std::fopen(path.c_str(), "rb");
            if (!file) {
                state.SkipWithError("open failed");
                return;
            }
            std::fseek(file, 0, SEEK_END);
            const long size = std::ftell(file);
            std::fseek(file, 0, SEEK_SET);
            std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(size)]);
            bytes += static_cast<int64_t>(std::fread(buffer.get(), 1, static_cast<size_t>(size), file));
            std::fclose(file);
            benchmark::DoNotOptimize(buffer.get());
        }
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(SceneLoadPlainRead)->Unit(benchmark::kMillisecond);
}
