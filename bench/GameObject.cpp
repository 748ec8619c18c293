// Timing of the two walks over object trees that run every frame or every
// shot: rebuilding the transforms and bounds of a moved tree, and picking a
// ray against the part boxes of a scene; and how destroying the children of
// one parent grows with their number.
#include "Core/PBounds.h"
#include "Core/PGameObject.h"
#include "Platform/CRand.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A tree of objects, each with an own box and one part box, destroyed with
// the holder (children before parents).
class Tree
{
public:
    Tree() = default;
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    ~Tree()
    {
        for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it)
            delete *it;
    }

    // Objects made ahead (with their part boxes) are used in turn by Add
    // before it makes new ones: made in a shuffled order, they lie in memory
    // in no relation to the order of the walk.
    void MakeAhead(size_t count)
    {
        std::vector<size_t> slots(count);
        for (size_t i = 0; i < count; ++i)
            slots[i] = i;
        crt::srand(11);
        for (size_t i = count; i > 1; --i)
            std::swap(slots[i - 1], slots[static_cast<size_t>(crt::rand()) % i]);
        m_ahead.assign(count, nullptr);
        for (const size_t slot : slots)
            m_ahead[slot] = MakeObject();
    }

    CPGameObject* Add(CPGameObject* parent, const D3DXVECTOR3& position)
    {
        CPGameObject* object = m_objects.size() < m_ahead.size() ? m_ahead[m_objects.size()] : MakeObject();
        D3DXQUATERNION turn;
        D3DXQuaternionRotationYawPitchRoll(&turn, 0.01f * m_objects.size(), 0.0f, 0.02f);
        object->SetRotation(turn);
        object->SetPosition(position);
        if (parent)
            parent->AddChild(object);
        m_objects.push_back(object);
        return object;
    }

    CPGameObject* Root() const { return m_objects.front(); }

private:
    static CPGameObject* MakeObject()
    {
        auto* object = new CPGameObject("node");
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
        object->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.4f, 0.4f, 0.4f)));
        return object;
    }

    std::vector<CPGameObject*> m_ahead;
    std::vector<CPGameObject*> m_objects;
};

// A root with groups of 100 leaves each: 99 groups make 10,000 objects.
void BuildLevel(Tree& tree, int groups)
{
    CPGameObject* root = tree.Add(nullptr, D3DXVECTOR3(0, 0, 0));
    for (int g = 0; g < groups; ++g) {
        CPGameObject* group = tree.Add(root, D3DXVECTOR3((g % 10) * 20.0f, (g / 10) * 20.0f, 0));
        for (int l = 0; l < 100; ++l)
            tree.Add(group, D3DXVECTOR3(static_cast<float>(l % 10), static_cast<float>(l / 10), 1.0f));
    }
}

void UseLevelShadow(bool on)
{
    if (!on) {
        g_ShadowMatrix = D3DXMATRIX();
        return;
    }
    const D3DXVECTOR4 sun(-0.3f, 0.2f, 1.0f, 0.0f);
    const D3DXPLANE ground(0, 0, 1, 0);
    D3DXMatrixShadow(&g_ShadowMatrix, &sun, &ground);
}

// Moving the root makes the whole tree rebuild; range(0) = 1 with a level's
// shadow projection, 0 without.
void UpdateMovedRoot(benchmark::State& state, int groups, bool shuffled = false)
{
    UseLevelShadow(state.range(0) != 0);
    Tree tree;
    if (shuffled)
        tree.MakeAhead(static_cast<size_t>(1 + groups * 101));
    BuildLevel(tree, groups);
    float x = 0.0f;
    for (auto _ : state) {
        x += 0.001f;
        tree.Root()->SetPosition(D3DXVECTOR3(x, 0, 0));
        tree.Root()->UpdateTransform();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (1 + groups * 101));
    UseLevelShadow(false);
}

void BM_UpdateTransform10000(benchmark::State& state)
{
    UpdateMovedRoot(state, 99);
}
BENCHMARK(BM_UpdateTransform10000)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same tree with its objects allocated in shuffled order, as a level
// that loads, copies and deletes objects leaves them.
void BM_UpdateTransform10000Shuffled(benchmark::State& state)
{
    UpdateMovedRoot(state, 99, true);
}
BENCHMARK(BM_UpdateTransform10000Shuffled)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One group (102 objects) stays in the caches: the cost of the arithmetic
// alone, which the large tree adds its waits for memory to.
void BM_UpdateTransform102(benchmark::State& state)
{
    UpdateMovedRoot(state, 1);
}
BENCHMARK(BM_UpdateTransform102)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A scene of 1,000 objects: 9 groups of 110 leaves along x; rays along x at
// varying heights, each passing a row of boxes in every group.
void BM_RayPick1000(benchmark::State& state)
{
    Tree tree;
    CPGameObject* root = tree.Add(nullptr, D3DXVECTOR3(0, 0, -100));
    for (int g = 0; g < 9; ++g) {
        CPGameObject* group = tree.Add(root, D3DXVECTOR3(g * 12.0f, 0, 100));
        for (int l = 0; l < 110; ++l)
            tree.Add(group, D3DXVECTOR3(static_cast<float>(l % 10), static_cast<float>(l / 10), 0));
    }
    root->UpdateTransform();

    int ray = 0;
    for (auto _ : state) {
        CPRayQuery query;
        query.origin = D3DXVECTOR3(-10, static_cast<float>(ray++ % 10), 0);
        query.direction = D3DXVECTOR3(1, 0, 0);
        query.distance = 200;
        benchmark::DoNotOptimize(root->RayPick(query));
    }
}
BENCHMARK(BM_RayPick1000)->Unit(benchmark::kMicrosecond);

// Destroying range(0) named children of one parent, in the order they were
// added; every tenth name is shared with the child before it.
void DestroyNamedChildren(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "child_%d", i % 10 == 9 ? i - 1 : i);
        names.push_back(name);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto* parent = new CPGameObject("parent");
        std::vector<CPGameObject*> children;
        for (const std::string& name : names) {
            children.push_back(new CPGameObject(name));
            parent->AddChild(children.back());
        }
        state.ResumeTiming();
        for (CPGameObject* child : children)
            delete child;
        state.PauseTiming();
        benchmark::DoNotOptimize(parent->GetChildren().size());
        delete parent;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(DestroyNamedChildren)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMicrosecond);
}
