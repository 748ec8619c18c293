// Game object hierarchy, placement, transforms, boxes and bounds.
#include "Core/PGameObject.h"
#include "GameObjectTrees.h"
#include "Platform/CRand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
void ExpectVec(const D3DXVECTOR3& actual, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

D3DXVECTOR3 Translation(const D3DXMATRIX& m)
{
    return D3DXVECTOR3(m._41, m._42, m._43);
}

std::vector<std::string> Names(const CPGameObject::ObjectList& objects)
{
    std::vector<std::string> names;
    for (const auto& object : objects)
        names.push_back(object->GetName());
    return names;
}

D3DXQUATERNION TurnAboutZ(float angle)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 axis(0, 0, 1);
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}
}

TEST(GameObject, NewObjectIsACleanlyUpdatedRootWithoutBody)
{
    ObjectPool pool;
    CPGameObject* object = pool.Make("flame");
    EXPECT_EQ(object->GetTypeName(), "CPGameObject - flame");
    EXPECT_EQ(object->GetKind(), kBodyGroup);
    EXPECT_FALSE(object->GetBody());
    EXPECT_FALSE(object->GetParent());
    EXPECT_TRUE(object->IsDirty());
    EXPECT_TRUE(object->IsTransformUpdated());
    EXPECT_TRUE(object->IsVisible() && object->IsStatic() && object->HasCollision() && object->HasShadow());
    EXPECT_FALSE(object->IsActive());
    EXPECT_EQ(object->GetFlameType(), -1);
    EXPECT_EQ(object->GetLineColour(), 0xff4e4e4eu);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&object->GetWorldMatrix()));
    EXPECT_EQ(object->GetRotation(), D3DXQUATERNION(0, 0, 0, 1));
}

TEST(GameObject, ChildFollowsARotatedTranslatedRoot)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* child = pool.Make("child", root);
    CPGameObject* grandchild = pool.Make("grandchild", child);
    root->SetRotation(TurnAboutZ(D3DX_PI / 2));
    root->SetPosition(D3DXVECTOR3(10, 0, 0));
    child->SetPosition(D3DXVECTOR3(1, 0, 0));
    grandchild->SetPosition(D3DXVECTOR3(0, 0, 2));
    root->UpdateTransform();

    // local = R x T: the root turns about its own origin, then moves.
    ExpectVec(Translation(root->GetWorldMatrix()), 10, 0, 0);
    // The child's offset (1, 0, 0) turns onto +y.
    ExpectVec(Translation(child->GetWorldMatrix()), 10, 1, 0);
    ExpectVec(Translation(grandchild->GetWorldMatrix()), 10, 1, 2);
    ExpectVec(child->GetPosition(), 1, 0, 0, 0);
    EXPECT_EQ(child->GetParentMatrix(), root->GetWorldMatrix());

    // Moving the root moves every descendant; their own positions stay.
    root->SetPosition(D3DXVECTOR3(0, 0, 5));
    root->UpdateTransform();
    ExpectVec(Translation(grandchild->GetWorldMatrix()), 0, 1, 7);
    ExpectVec(grandchild->GetPosition(), 0, 0, 2, 0);
}

TEST(GameObject, DirtyAndTransformUpdatedFlags)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* child = pool.Make("child", root);
    root->UpdateTransform();
    EXPECT_FALSE(root->IsDirty());
    EXPECT_FALSE(child->IsDirty());
    EXPECT_TRUE(child->IsTransformUpdated());

    // A dirty child under a clean parent: updating the parent does nothing.
    child->SetPosition(D3DXVECTOR3(3, 0, 0));
    EXPECT_TRUE(child->IsDirty());
    EXPECT_FALSE(child->IsTransformUpdated());
    root->UpdateTransform();
    ExpectVec(Translation(child->GetWorldMatrix()), 0, 0, 0, 0);
    child->UpdateTransform();
    ExpectVec(Translation(child->GetWorldMatrix()), 3, 0, 0);
    EXPECT_TRUE(child->IsTransformUpdated());

    // A clean child is rebuilt whenever its parent is.
    child->SetTransformUpdated(false);
    root->SetRotation(TurnAboutZ(D3DX_PI));
    EXPECT_TRUE(root->IsDirty());
    root->UpdateTransform();
    EXPECT_TRUE(child->IsTransformUpdated());
    ExpectVec(Translation(child->GetWorldMatrix()), -3, 0, 0);
}

TEST(GameObject, PoseStandsInForRotationAndTranslation)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* part = pool.Make("part", root);
    root->SetPosition(D3DXVECTOR3(1, 0, 0));
    part->SetPosition(D3DXVECTOR3(100, 0, 0));
    D3DXMATRIX pose;
    D3DXMatrixTranslation(&pose, 0, 2, 0);
    part->SetPose(pose);
    root->UpdateTransform();
    EXPECT_EQ(part->GetLocalMatrix(), pose);
    ExpectVec(Translation(part->GetWorldMatrix()), 1, 2, 0);

    part->SetPosition(D3DXVECTOR3(0, 0, 3));
    part->UpdateTransform();
    ExpectVec(Translation(part->GetWorldMatrix()), 1, 0, 3);
}

// The local matrix is the one the last update used, whatever moved since; the
// parent matrix is the world matrix the last parent to update the object
// handed it, kept when that parent ends, until SetParentMatrix replaces it.
TEST(GameObject, LocalAndParentMatricesAreThoseOfTheLastUpdate)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* parent = pool.Make("parent", root);
    CPGameObject* child = pool.Make("child", parent);
    CPGameObject* other = pool.Make("other", root);
    parent->SetPosition(D3DXVECTOR3(1, 0, 0));
    child->SetPosition(D3DXVECTOR3(0, 2, 0));
    other->SetPosition(D3DXVECTOR3(0, 0, 4));
    root->UpdateTransform();

    child->SetPosition(D3DXVECTOR3(0, 5, 0));
    child->SetRotation(TurnAboutZ(D3DX_PI / 2));
    ExpectVec(Translation(child->GetLocalMatrix()), 0, 2, 0, 0);
    child->UpdateTransform();
    ExpectVec(Translation(child->GetLocalMatrix()), 0, 5, 0, 0);

    // Filed under a second parent, the child follows whichever updated last.
    other->AddChild(child);
    root->SetPosition(D3DXVECTOR3(0, 0, 0));
    root->UpdateTransform();
    EXPECT_EQ(child->GetParentMatrix(), other->GetWorldMatrix());
    parent->SetPosition(D3DXVECTOR3(2, 0, 0));
    parent->UpdateTransform();
    EXPECT_EQ(child->GetParentMatrix(), parent->GetWorldMatrix());

    // Children keep the matrix their ended parent handed them.
    CPGameObject* orphan = pool.Make("orphan", parent);
    parent->SetPosition(D3DXVECTOR3(1, 0, 0));
    parent->UpdateTransform();
    const D3DXMATRIX parentWorld = parent->GetWorldMatrix();
    pool.Destroy(parent);
    EXPECT_EQ(orphan->GetParentMatrix(), parentWorld);
    EXPECT_EQ(child->GetParentMatrix(), parentWorld);
    orphan->SetPosition(D3DXVECTOR3(0, 0, 1));
    orphan->UpdateTransform();
    ExpectVec(Translation(orphan->GetWorldMatrix()), 1, 0, 1);

    D3DXMATRIX given;
    D3DXMatrixTranslation(&given, 0, 3, 0);
    child->SetParentMatrix(given);
    EXPECT_EQ(child->GetParentMatrix(), given);
}

TEST(GameObject, CollectHierarchyIsDepthFirstPreOrder)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* a = pool.Make("A", root);
    pool.Make("A1", a);
    pool.Make("B", root);
    CPGameObject::ObjectList all;
    all.emplace_back(pool.Make("before"));
    root->CollectHierarchy(all);
    EXPECT_EQ(Names(all), (std::vector<std::string>{ "before", "root", "A", "A1", "B" }));
}

TEST(GameObject, FindPartAndFindChild)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* first = pool.Make("x", root);
    CPGameObject* second = pool.Make("x", root);
    CPGameObject* a = pool.Make("a", root);
    CPGameObject* deep = pool.Make("deep", a);
    CPGameObject* b = pool.Make("b", root);
    CPGameObject* laterDeep = pool.Make("deep", b);

    // Both stay in the array; the name map and the finders give the later one.
    ASSERT_EQ(root->GetChildren().size(), 4u);
    EXPECT_EQ(root->GetChildren()[0], first);
    EXPECT_EQ(root->FindChild("x"), second);
    EXPECT_EQ(root->FindPart("x"), second);
    EXPECT_EQ(first->GetParent(), root);

    // Below the children the first child in order that has the name wins.
    EXPECT_EQ(root->FindChild("deep"), deep);
    EXPECT_NE(root->FindChild("deep"), laterDeep);
    EXPECT_FALSE(root->FindChild("nothing"));

    // FindPart looks at the own children only, and a miss leaves no trace.
    EXPECT_FALSE(root->FindPart("deep"));
    EXPECT_EQ(root->FindChild("deep"), deep);
}

TEST(GameObject, DetailLevelsFollowPositionStaticAndShadow)
{
    ObjectPool pool;
    // Made first, so the object that holds them goes first.
    CPGameObject* far = pool.Make("far");
    CPGameObject* farther = pool.Make("farther");
    CPGameObject* object = pool.Make("object");
    CPGameObject* child = pool.Make("child", object);
    auto& levels = object->GetDetailLevels();
    levels.push_back({ object, 0 });
    levels.push_back({ far, 100 });
    levels.push_back({ nullptr, 150 });
    levels.push_back({ farther, 200 });

    object->SetPosition(D3DXVECTOR3(4, 5, 6));
    ExpectVec(far->GetPosition(), 4, 5, 6, 0);
    ExpectVec(farther->GetPosition(), 4, 5, 6, 0);
    ExpectVec(child->GetPosition(), 0, 0, 0, 0);
    object->UpdateTransform();
    EXPECT_FALSE(far->IsDirty());

    // Static: the object and its later levels, never the children.
    object->SetStatic(false);
    EXPECT_FALSE(object->IsStatic());
    EXPECT_FALSE(far->IsStatic());
    EXPECT_FALSE(farther->IsStatic());
    EXPECT_TRUE(child->IsStatic());

    // Shadow: the whole subtree and the later levels.
    object->SetShadow(false);
    EXPECT_FALSE(child->HasShadow());
    EXPECT_FALSE(far->HasShadow());
    EXPECT_FALSE(farther->HasShadow());

    // With one entry only the object itself moves.
    levels.resize(1);
    object->SetPosition(D3DXVECTOR3(7, 7, 7));
    ExpectVec(far->GetPosition(), 4, 5, 6, 0);
}

TEST(GameObject, BoundsCoverPartsAndOwnBoxesOfTheSubtree)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* child = pool.Make("child", root);
    root->SetShadow(false);
    root->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    child->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
    CPBoundingBox part(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.25f, 0.25f, 0.25f));
    D3DXMatrixTranslation(&part.m_local, 0, 0, 1);
    child->GetPartBoxes().push_back(part);
    child->SetPosition(D3DXVECTOR3(5, 0, 0));
    root->SetPosition(D3DXVECTOR3(0, 10, 0));
    root->UpdateTransform();

    // The part box sits at its local placement on the child's world matrix.
    const CPBoundingBox& placed = child->GetPartBoxes()[0];
    ExpectVec(placed.m_worldMin, 4.75f, 9.75f, 0.75f);
    ExpectVec(placed.m_worldMax, 5.25f, 10.25f, 1.25f);
    // The root has no parts: its part bounds are the child's.
    ExpectVec(root->GetPartBounds().m_min, 4.75f, 9.75f, 0.75f);
    ExpectVec(root->GetPartBounds().m_centre, 5, 10, 1);
    // Object bounds: the root's own box grown by the child's.
    ExpectVec(root->GetObjectBounds().m_min, -1, 9, -1);
    ExpectVec(root->GetObjectBounds().m_max, 5.5f, 11, 1);
    ExpectVec(root->GetObjectBounds().m_centre, 2.25f, 10, 0);
}

// A parent with more children than the walk reads ahead at once, some of them
// destroyed before the update (the first, the last and every seventh): every
// remaining child is placed, and the bounds cover the remaining ones only.
TEST(GameObject, AWideParentPlacesAndBoundsEveryRemainingChild)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    root->SetShadow(false);
    std::vector<CPGameObject*> children;
    for (int i = 0; i < 53; ++i) {
        CPGameObject* child = pool.Make("child_" + std::to_string(i), root);
        child->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
        child->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.25f, 0.25f, 0.25f)));
        child->SetPosition(D3DXVECTOR3(static_cast<float>(i), 0, 0));
        children.push_back(child);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        if (i % 7 == 0 || i + 1 == children.size()) {
            pool.Destroy(children[i]);
            children[i] = nullptr;
        }
    }
    root->SetPosition(D3DXVECTOR3(0, 10, 0));
    root->UpdateTransform();

    for (size_t i = 0; i < children.size(); ++i) {
        if (!children[i])
            continue;
        EXPECT_FALSE(children[i]->IsDirty()) << i;
        ExpectVec(Translation(children[i]->GetWorldMatrix()), static_cast<float>(i), 10, 0);
    }
    // Children 1 to 51 remain; the object bounds also hold the root's own
    // (smallest) box.
    ExpectVec(root->GetPartBounds().m_min, 0.75f, 9.75f, -0.25f);
    ExpectVec(root->GetPartBounds().m_max, 51.25f, 10.25f, 0.25f);
    ExpectVec(root->GetObjectBounds().m_min, -CPBoundingBox::kMinHalfSize, 9.5f, -0.5f);
    ExpectVec(root->GetObjectBounds().m_max, 51.5f, 10.5f, 0.5f);
}

TEST(GameObject, ShadowWidensObjectBoundsOnly)
{
    // Sun along (1, 0, -1) onto the ground plane z = 0.
    const D3DXVECTOR4 light(-1, 0, 1, 0);
    const D3DXPLANE ground(0, 0, 1, 0);
    D3DXMatrixShadow(&g_ShadowMatrix, &light, &ground);

    ObjectPool pool;
    CPGameObject* withShadow = pool.Make("with");
    CPGameObject* without = pool.Make("without");
    without->SetShadow(false);
    for (CPGameObject* object : { withShadow, without }) {
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(1, 1, 1)));
        object->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(1, 1, 1)));
        object->UpdateTransform();
    }
    g_ShadowMatrix = D3DXMATRIX();

    ExpectVec(without->GetObjectBounds().m_max, 1, 1, 3);
    ExpectVec(withShadow->GetObjectBounds().m_min, -1, -1, 0);
    ExpectVec(withShadow->GetObjectBounds().m_max, 4, 1, 3);
    ExpectVec(withShadow->GetObjectBounds().m_centre, 1.5f, 0, 1.5f);
    ExpectVec(withShadow->GetPartBounds().m_min, -1, -1, 1);
    ExpectVec(withShadow->GetPartBounds().m_max, 1, 1, 3);
}

TEST(GameObject, DestructionLeavesTheParentAndOrphansTheChildren)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* doomed = pool.Make("doomed", root);
    CPGameObject* sibling = pool.Make("sibling", root);
    root->AddChild(doomed); // listed twice
    CPGameObject* orphan = pool.Make("orphan", doomed);

    pool.Destroy(doomed);
    EXPECT_EQ(root->GetChildren().size(), 1u);
    EXPECT_EQ(root->GetChildren()[0], sibling);
    EXPECT_FALSE(root->FindPart("doomed"));
    EXPECT_FALSE(orphan->GetParent());

    // A later child that took the name in the map stays there.
    CPGameObject* first = pool.Make("twin", root);
    CPGameObject* second = pool.Make("twin", root);
    pool.Destroy(first);
    EXPECT_EQ(root->FindPart("twin"), second);
    EXPECT_EQ(root->GetChildren().size(), 2u);
}

// Children of repeated names made, filed twice, renamed by a copy and
// destroyed in a random mix, looked at only now and then; whenever they are
// looked at, the children keep their order and each name finds the child
// last filed under it that still lives.
TEST(GameObject, DestroyedChildrenLeaveOnlyTheirOwnPlacesAndNames)
{
    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    std::vector<CPGameObject*> alive;
    std::vector<CPGameObject*> order;
    std::map<std::string, CPGameObject*> names;
    const auto forget = [&](CPGameObject* child) {
        order.erase(std::remove(order.begin(), order.end(), child), order.end());
        for (auto entry = names.begin(); entry != names.end();)
            entry = entry->second == child ? names.erase(entry) : std::next(entry);
    };
    crt::srand(9);
    for (int step = 0; step < 2000; ++step) {
        const int action = crt::rand() % 10;
        if (action < 5 || alive.empty()) {
            const std::string name = "part_" + std::to_string(crt::rand() % 40);
            CPGameObject* child = pool.Make(name, root);
            alive.push_back(child);
            order.push_back(child);
            names[name] = child;
        } else if (action == 5) {
            CPGameObject* child = alive[static_cast<size_t>(crt::rand()) % alive.size()];
            root->AddChild(child);
            order.push_back(child);
            names[child->GetName()] = child;
        } else if (action == 6) {
            // Renamed: it stays filed under the name it had.
            CPGameObject* child = alive[static_cast<size_t>(crt::rand()) % alive.size()];
            CPGameObject* other = pool.Make("other_" + std::to_string(crt::rand() % 5));
            child->CopyFrom(other);
            pool.Destroy(other);
        } else {
            const size_t pick = static_cast<size_t>(crt::rand()) % alive.size();
            CPGameObject* child = alive[pick];
            alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(pick));
            forget(child);
            pool.Destroy(child);
        }
        if (crt::rand() % 8 != 0)
            continue;
        const CPGameObject::ObjectList& children = root->GetChildren();
        ASSERT_EQ(children.size(), order.size()) << "step " << step;
        for (size_t i = 0; i < order.size(); ++i)
            ASSERT_EQ(children[i], order[i]) << "step " << step;
        for (int n = 0; n < 40; ++n) {
            const std::string name = "part_" + std::to_string(n);
            const auto entry = names.find(name);
            ASSERT_EQ(root->FindPart(name).Get(), entry == names.end() ? nullptr : entry->second) << name;
        }
    }
}

namespace
{
// The box as a full update under its stored world matrix leaves it.
void ExpectBuiltAsUpdated(const CPBoundingBox& box)
{
    ASSERT_FALSE(box.HasStaleCorners());
    CPBoundingBox updated = box;
    updated.Update();
    EXPECT_EQ(std::memcmp(box.m_corners, updated.m_corners, sizeof(box.m_corners)), 0);
    EXPECT_EQ(std::memcmp(box.m_planes, updated.m_planes, sizeof(box.m_planes)), 0);
    EXPECT_EQ(box.m_worldMin, updated.m_worldMin);
    EXPECT_EQ(box.m_worldMax, updated.m_worldMax);
}
}

// Boxes on their owner (unmoved, moved, turned, and under a projective
// placement) read after a transform update and again after the owner moved:
// each box is placed by local x the owner's world, its corners and planes are
// those a full update gives, and the part bounds agree with its extents.
TEST(GameObject, BoxesReadAfterAnUpdateAreFullyPlaced)
{
    D3DXMATRIX moved;
    D3DXMatrixTranslation(&moved, 0.5f, -2, 3);
    D3DXMATRIX turned;
    D3DXMatrixRotationYawPitchRoll(&turned, 0.3f, -0.7f, 1.1f);
    turned._41 = 1;
    D3DXMATRIX projective;
    D3DXMatrixIdentity(&projective);
    projective._34 = 0.25f;
    const D3DXMATRIX* const locals[] = { nullptr, &moved, &turned, &projective };

    ObjectPool pool;
    CPGameObject* root = pool.Make("root");
    CPGameObject* object = pool.Make("object", root);
    for (const D3DXMATRIX* local : locals) {
        CPBoundingBox box(D3DXVECTOR3(0.1f, 0.2f, -0.3f), D3DXVECTOR3(0.5f, 0.0004f, 2));
        if (local)
            box.m_local = *local;
        object->GetPartBoxes().push_back(box);
    }
    CPBoundingBox own(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(1, 2, 3));
    own.m_local = turned;
    object->SetBoundingBox(own);
    object->SetRotation(TurnAboutZ(0.4f));

    for (const float x : { 3.0f, -7.5f }) {
        SCOPED_TRACE(x);
        root->SetPosition(D3DXVECTOR3(x, 1, 2));
        root->UpdateTransform();
        const CPBounds walked = object->GetPartBounds();
        const std::vector<CPBoundingBox>& boxes = object->GetPartBoxes();
        D3DXVECTOR3 low = boxes[0].m_worldMin;
        D3DXVECTOR3 high = boxes[0].m_worldMax;
        for (size_t i = 0; i < boxes.size(); ++i) {
            SCOPED_TRACE(i);
            ExpectBuiltAsUpdated(boxes[i]);
            D3DXMATRIX expected = object->GetWorldMatrix();
            if (locals[i])
                D3DXMatrixMultiply(&expected, locals[i], &object->GetWorldMatrix());
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 4; ++c)
                    EXPECT_NEAR(boxes[i].m_world.m[r][c], expected.m[r][c], 1e-5f);
            }
            D3DXVec3Minimize(&low, &low, &boxes[i].m_worldMin);
            D3DXVec3Maximize(&high, &high, &boxes[i].m_worldMax);
        }
        EXPECT_EQ(walked.m_min, low);
        EXPECT_EQ(walked.m_max, high);
        ExpectBuiltAsUpdated(object->GetBoundingBox());
        EXPECT_EQ(object->GetBoundingBox().m_worldMin, object->GetObjectBounds().m_min);
    }
}
