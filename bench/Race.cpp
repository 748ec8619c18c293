// Timing of the level's searches: the nearest-line search on a ring of about
// 1,000 lines started from the answer's own line (the usual case: the vehicle
// moved little since the last search) and from a line half a ring away, and segment and sphere queries against 2,000 objects in the
// level tree beside the same queries over the plain object list.
#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Core/PGameObject.h"
#include "Race/PLevelBranch.h"
#include "Race/PSpline.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "tests/Race/PathRecord.h"
#include "tests/ScratchRoot.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
// A closed path round a regular 100-gon whose sides measure 105 units: about
// 1,000 lines of 10.5.
class Ring
{
public:
    Ring()
    {
        constexpr int kSides = 100;
        const float chord = 105.0f / 0.9f;
        const float radius = chord / (2.0f * std::sin(3.14159265f / kSides));
        std::vector<PathSegmentPoints> segments;
        for (int i = 0; i < kSides; ++i) {
            const float a = 2.0f * 3.14159265f * i / kSides;
            const float b = 2.0f * 3.14159265f * (i + 1) / kSides;
            segments.push_back(StraightSegment(D3DXVECTOR3(radius * std::cos(a), radius * std::sin(a), 0.0f),
                                               D3DXVECTOR3(radius * std::cos(b), radius * std::sin(b), 0.0f)));
        }
        const std::string bytes = PathRecord("c_path", true, segments);
        root.MakeDirectory("data/levels");
        CPFileWriter writer("Data\\Levels\\ring.lvl");
        writer.Write(bytes.data(), bytes.size());
        writer.Save();
        CPFileReader reader("Data\\Levels\\ring.lvl");
        reader.Load();
        spline.Load(reader);
        for (CPLine* line = spline.GetFirstLine(); lines.empty() || line != spline.GetFirstLine(); line = line->next)
            lines.push_back(line);
    }

    ScratchRoot root;
    CPSpline spline;
    std::vector<CPLine*> lines;
};

void NearestLine(benchmark::State& state, bool farHint)
{
    Ring ring;
    const size_t count = ring.lines.size();
    size_t target = 0;
    for (auto _ : state) {
        target = (target + 7) % count;
        CPLine* hint = ring.lines[farHint ? (target + count / 2) % count : target];
        const D3DXVECTOR3 position = ring.lines[target]->centre + D3DXVECTOR3(0.5f, 0.5f, 0.0f);
        float radius = 12.0f;
        benchmark::DoNotOptimize(ring.spline.FindNearestLine(position, radius, 0, hint));
        benchmark::DoNotOptimize(hint);
    }
    state.counters["lines"] = static_cast<double>(count);
}

void BM_FindNearestLine_GoodHint(benchmark::State& state)
{
    NearestLine(state, false);
}
BENCHMARK(BM_FindNearestLine_GoodHint);

void BM_FindNearestLine_FarHint(benchmark::State& state)
{
    NearestLine(state, true);
}
BENCHMARK(BM_FindNearestLine_FarHint);

// 2,000 static cubes on a 50 x 40 grid 10 units apart, in eight materials,
// with the tree over them.
class Scene
{
public:
    Scene()
    {
        for (int i = 0; i < 8; ++i)
            materials.push_back(std::make_unique<CPMaterial>(i));
        for (int i = 0; i < 2000; ++i) {
            auto* object = new CPGameObject("cube");
            auto* body = new CPRenderObject(object);
            body->SetMaterial(materials[static_cast<size_t>(i % 8)].get());
            object->SetBody(body, kBodyRenderObject);
            object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 2, 2)));
            object->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 2, 2)));
            object->SetShadow(false);
            object->SetPosition(D3DXVECTOR3(10.0f * (i % 50), 10.0f * (i / 50), 0.0f));
            object->UpdateTransform();
            objects.push_back(object);
        }
        tree = std::make_unique<CPLevelBranch>();
        tree->AddObjects(objects);
        tree->Build(0);
    }
    ~Scene()
    {
        std::vector<CPGameObject*> owned;
        for (const auto& object : objects)
            owned.push_back(object.Get());
        objects.clear();
        tree.reset();
        for (CPGameObject* object : owned)
            delete object;
    }

    // Rays 600 long along a row of cubes, stepping through the rows, in turn
    // towards +x (the tree meets the far cubes first) and towards -x.
    CPRayQuery Ray(int step) const
    {
        CPRayQuery query;
        const bool forward = step % 2 == 0;
        query.origin = D3DXVECTOR3(forward ? -5.0f : 495.0f, 10.0f * (step / 2 % 40) + 1.0f, 0.0f);
        query.direction = D3DXVECTOR3(forward ? 1.0f : -1.0f, 0.0f, 0.0f);
        query.distance = 600.0f;
        return query;
    }

    std::vector<std::unique_ptr<CPMaterial>> materials;
    CPGameObject::ObjectList objects;
    std::unique_ptr<CPLevelBranch> tree;
};

void BM_CrossRay_Tree(benchmark::State& state)
{
    Scene scene;
    int step = 0;
    for (auto _ : state) {
        CPRayQuery query = scene.Ray(step++);
        benchmark::DoNotOptimize(scene.tree->CrossRay(query));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CrossRay_Tree);

void BM_CrossRay_EveryObject(benchmark::State& state)
{
    Scene scene;
    int step = 0;
    for (auto _ : state) {
        CPRayQuery query = scene.Ray(step++);
        bool hit = false;
        for (const auto& object : scene.objects)
            hit = object->RayPick(query) || hit;
        benchmark::DoNotOptimize(hit);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CrossRay_EveryObject);

void BM_CollectObjectsNear_Tree(benchmark::State& state)
{
    Scene scene;
    int step = 0;
    CPGameObject::ObjectList out;
    for (auto _ : state) {
        out.clear();
        const D3DXVECTOR3 centre(10.0f * (step % 50), 10.0f * ((step / 50) % 40), 0.0f);
        ++step;
        scene.tree->CollectObjectsNear(centre, 15.0f, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CollectObjectsNear_Tree);

void BM_CollectObjectsNear_EveryObject(benchmark::State& state)
{
    Scene scene;
    int step = 0;
    CPGameObject::ObjectList out;
    for (auto _ : state) {
        out.clear();
        const D3DXVECTOR3 centre(10.0f * (step % 50), 10.0f * ((step / 50) % 40), 0.0f);
        ++step;
        for (const auto& object : scene.objects)
            if (object->GetPartBounds().SphereTest(centre, 15.0f))
                out.push_back(object);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CollectObjectsNear_EveryObject);
}
