#include "Core/PGameObject.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PRenderObject.h"
#include "SceneLoaderFixture.h"
#include "Vehicles/PPhysicData.h"

#include <gtest/gtest.h>

using scene::At;
using scene::Node;

namespace
{
CPRenderObject* MeshBody(const CPSmartPtr<CPGameObject>& object)
{
    return object && object->GetKind() == kBodyRenderObject ? static_cast<CPRenderObject*>(object->GetBody().Get())
                                                             : nullptr;
}

CPAnimatedObject* AnimatedBody(const CPSmartPtr<CPGameObject>& object)
{
    return object && object->GetKind() == kBodyAnimatedObject
        ? static_cast<CPAnimatedObject*>(object->GetBody().Get())
        : nullptr;
}

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}
}

TEST_F(SceneLoader, OlderFormatTriangleBecomesTheRootWithItsPartBoxes)
{
    Node tri = scene::Triangle("Tri");
    tri.boxes = { { D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0.5f, 0.5f, 0.5f) } };
    tri.children = { scene::Triangle("leaf") };
    Mesh("tri.msh", scene::MeshFile({ tri }, false));
    Mesh("tri.rdf", "mesh = tri.msh\n");
    m_loader.m_vertexColour = 0xff102030;

    const CPSmartPtr<CPGameObject> root = Load("tri.rdf");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetName(), "tri");
    EXPECT_EQ(root->GetSourceName(), "tri.rdf");
    ASSERT_EQ(root->GetPartBoxes().size(), 1u);
    ExpectVector(root->GetPartBoxes()[0].m_centre, 1, 2, 3);
    ExpectVector(root->GetPosition(), 0, 0, 0);
    EXPECT_FALSE(root->GetPhysicData());
    CPRenderObject* body = MeshBody(root);
    ASSERT_NE(body, nullptr);
    ASSERT_EQ(body->GetLocalVertices().size(), 3u);
    EXPECT_EQ(body->GetLocalVertices()[1].diffuse, 0xff102030u);
    EXPECT_EQ(body->GetLocalVertices()[1].specular, 0x55667788u);
    EXPECT_EQ(body->GetWorldVertices().size(), 3u);
    EXPECT_EQ(body->GetIndices(), (std::vector<uint16_t>{ 0, 1, 2 }));
    // Without modifiers the mesh is drawn from shared static geometry.
    EXPECT_TRUE(body->IsHidden());
    EXPECT_EQ(body->GetGeometryName(), "tri.mshtri");
    ASSERT_EQ(root->GetChildren().size(), 1u);
    EXPECT_EQ(root->GetChildren()[0]->GetName(), "leaf");
}

TEST_F(SceneLoader, P3dNodePlacementPhysicsBoxAndShapes)
{
    Node node = scene::BoxNode("Crate");
    scene::Shape cylinder;
    cylinder.type = 1;
    cylinder.size2 = 5;
    cylinder.diameter = 1.5f;
    cylinder.position = D3DXVECTOR3(4, 4, 4);
    scene::Shape other;
    other.type = 7;
    node.shapes.push_back(cylinder);
    node.shapes.push_back(other);
    Mesh("crate.P3D", scene::MeshFile({ node }, true));
    Mesh("crate.rdf", "m = crate.P3D\n");

    const CPSmartPtr<CPGameObject> root = Load("crate.rdf");
    ASSERT_TRUE(root);
    ExpectVector(root->GetPosition(), 5, 6, 7);
    const D3DXQUATERNION& q = root->GetRotation();
    EXPECT_FLOAT_EQ(q.x, -0.2f);
    EXPECT_FLOAT_EQ(q.y, -0.3f);
    EXPECT_FLOAT_EQ(q.z, -0.4f);
    EXPECT_FLOAT_EQ(q.w, 0.85f);
    // Vertices (0, 0, 0), (2, 4, -2), (2, 0, 0).
    ExpectVector(root->GetBoundingBox().m_centre, 1, 2, -1);
    ExpectVector(root->GetBoundingBox().m_halfSize, 1, 2, 1);

    ASSERT_TRUE(root->GetPhysicData());
    const auto& shapes = root->GetPhysicData()->m_shapes;
    ASSERT_EQ(shapes.size(), 2u);
    ExpectVector(shapes[0].m_position, 1, 1, 3);
    EXPECT_FLOAT_EQ(shapes[0].m_sizes[2], 6.0f);
    EXPECT_EQ(shapes[1].m_type, CPPhysicShapeRecord::kTypeCylinder);
    ExpectVector(shapes[1].m_position, 4, 4, 4);
    EXPECT_FLOAT_EQ(shapes[1].m_diameter, 1.5f);
    ASSERT_EQ(root->GetPartBoxes().size(), 1u); // the box only
    const CPBoundingBox& box = root->GetPartBoxes()[0];
    ExpectVector(box.m_halfSize, 1, 3, 2);
    EXPECT_FLOAT_EQ(box.m_local._43, 3.0f); // base at z 1, half the height 4 above
}

TEST_F(SceneLoader, RootCountsMakeGroupsAndTrailersAreRead)
{
    scene::TrailerEntry entry{ "Marker", { 1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7 } };
    Mesh("three.msh", scene::MeshFile({ scene::Triangle("a"), scene::Triangle("b"), scene::Triangle("c") }, false,
                                      { entry }));
    Mesh("house.rdf", "mesh = three.msh\n");
    Mesh("none.msh", scene::MeshFile({}, false));
    Mesh("none.rdf", "mesh = none.msh\n");

    const CPSmartPtr<CPGameObject> house = Load("house.rdf");
    ASSERT_TRUE(house);
    EXPECT_EQ(house->GetName(), "house.rdf");
    EXPECT_EQ(house->GetKind(), kBodyGroup);
    EXPECT_EQ(house->GetChildren().size(), 3u);
    const CPSmartPtr<CPGameObject> none = Load("none.rdf");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->GetChildren().empty());
}

TEST_F(SceneLoader, TruncatedShortAndDeepFilesGiveNoRootAndALogLine)
{
    Node tri = scene::Triangle("tri");
    const std::string good = scene::MeshFile({ tri }, false);
    Node huge = tri;
    huge.vertexCountOverride = 0x7fffffff;
    Node overrun = tri;
    overrun.vertexCountOverride = 4; // one more than the file holds
    Node negative = tri;
    negative.vertexCountOverride = 0x80000000;
    std::string shapesOverrun = scene::MeshFile({ scene::BoxNode("box") }, true);
    // The shape count sits after the indices: push it past the bytes.
    shapesOverrun.replace(shapesOverrun.size() - 4 - 52 - 4, 4, scene::Bytes().Int(2).Str());
    const std::string walk = scene::AnimationFile(scene::ThreeFrameNode("body"));
    const std::string tooDeep = "nested deeper than 256 levels";
    using scene::NestedFile;
    using scene::NodeFormat;
    const int32_t deeper = CPRenderObjectManager::kMaxNodeDepth + 1;

    const struct
    {
        const char* label;
        const char* file; // ".anm" files are read as the animated root
        std::string bytes;
        std::string reason;
    } cases[] = {
        { "truncated", "bad.msh", good.substr(0, good.size() - 5), "shorter than its counts say" },
        { "huge vertex count", "bad.msh", scene::MeshFile({ huge }, false), "shorter than its counts say" },
        { "overrunning vertex count", "bad.msh", scene::MeshFile({ overrun }, false), "shorter than its counts say" },
        { "negative vertex count", "bad.msh", scene::MeshFile({ negative }, false), "shorter than its counts say" },
        { "huge root count", "bad.msh", scene::Bytes().Int(0).Int(0x7fffffff).Str(), "shorter than its counts say" },
        { "huge child count", "bad.msh", good.substr(0, good.size() - 4) + scene::Bytes().Int(1000000).Str(),
          "shorter than its counts say" },
        { "bad trailer", "bad.msh", good + scene::Bytes().Int(1000).Str(), "shorter than its counts say" },
        { "p3d shapes overrun", "bad.p3d", shapesOverrun, "shorter than its counts say" },
        { "cut animation", "bad.anm", walk.substr(0, walk.size() - 1), "shorter than its counts say" },
        { "empty mesh", "bad.msh", "", "shorter than its header" },
        { "7-byte mesh", "bad.msh", std::string(7, '\1'), "shorter than its header" },
        { "1-byte p3d", "bad.p3d", std::string(1, '\0'), "shorter than its header" },
        { "empty animation", "bad.anm", "", "shorter than its header" },
        { "4-byte animation", "bad.anm", scene::Bytes().Int(0).Str(), "shorter than its header" },
        { "mesh one level too deep", "bad.msh", NestedFile(NodeFormat::Mesh, deeper), tooDeep },
        { "mesh 40000 levels deep", "bad.msh", NestedFile(NodeFormat::Mesh, 40000), tooDeep },
        { "p3d one level too deep", "bad.p3d", NestedFile(NodeFormat::P3d, deeper), tooDeep },
        { "animation one level too deep", "bad.anm", NestedFile(NodeFormat::Animated, deeper), tooDeep },
    };
    for (const auto& c : cases) {
        Mesh(c.file, c.bytes);
        const bool animated = std::string(c.file).find(".anm") != std::string::npos;
        Mesh("bad.rdf", (animated ? "root = anim;walk," : "mesh = ") + std::string(c.file) + "\n");
        m_reports.clear();
        EXPECT_FALSE(Load("bad.rdf")) << c.label;
        EXPECT_EQ(Refusals(), std::vector<std::string>{ "cannot read Data\\Meshes\\" + std::string(c.file) + ": "
                                                       + c.reason + "\n" })
            << c.label;
    }
}

TEST_F(SceneLoader, NestingUpToTheBoundLoadsEveryLevel)
{
    const int32_t deepest = CPRenderObjectManager::kMaxNodeDepth;
    const struct
    {
        const char* file;
        scene::NodeFormat format;
    } cases[] = {
        { "deep.msh", scene::NodeFormat::Mesh },
        { "deep.p3d", scene::NodeFormat::P3d },
        { "deep.anm", scene::NodeFormat::Animated },
    };
    for (const auto& c : cases) {
        Mesh(c.file, scene::NestedFile(c.format, deepest));
        const bool animated = c.format == scene::NodeFormat::Animated;
        Mesh("deep.rdf", (animated ? "root = anim;walk," : "mesh = ") + std::string(c.file) + "\n");
        m_reports.clear();
        const CPSmartPtr<CPGameObject> root = Load("deep.rdf");
        ASSERT_TRUE(root) << c.file;
        int32_t levels = 1;
        for (CPGameObject* node = root.Get(); !node->GetChildren().empty(); node = node->GetChildren()[0].Get())
            ++levels;
        EXPECT_EQ(levels, deepest) << c.file;
        EXPECT_TRUE(Refusals().empty()) << c.file;
    }
}

TEST_F(SceneLoader, EmptyNodesGetAZeroBoxAndNoStaticGeometry)
{
    Node empty;
    empty.name = "nothing";
    Mesh("empty.p3d", scene::MeshFile({ empty }, true));
    Mesh("empty.rdf", "m = empty.p3d\n");
    const CPSmartPtr<CPGameObject> root = Load("empty.rdf");
    ASSERT_TRUE(root);
    ExpectVector(root->GetBoundingBox().m_centre, 0, 0, 0);
    // The box keeps its smallest half size.
    const float least = CPBoundingBox::kMinHalfSize;
    ExpectVector(root->GetBoundingBox().m_halfSize, least, least, least);
    EXPECT_FALSE(MeshBody(root)->IsHidden());
    EXPECT_EQ(m_render->GetGeometryBufferCount(), 0u);
}

TEST_F(SceneLoader, StaticGeometryIsSharedByNodeNameAcrossLoads)
{
    Mesh("tri.msh", scene::MeshFile({ scene::Triangle("tri") }, false));
    Mesh("a.rdf", "mesh = tri.msh\n");
    Mesh("b.rdf", "mesh = Tri.msh\n[tri]\nvertexeffect = fade 1 ignored;movingtex 1,2\n");
    const CPSmartPtr<CPGameObject> first = Load("a.rdf");
    const CPSmartPtr<CPGameObject> second = Load("a.rdf");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(m_render->GetGeometryBufferCount(), 1u);
    ASSERT_NE(MeshBody(first)->GetGeometry(), nullptr);
    EXPECT_EQ(MeshBody(first)->GetGeometry(), MeshBody(second)->GetGeometry());
    EXPECT_EQ(MeshBody(first)->GetGeometry()->vertexCount, 3);
    const CPSmartPtr<CPGameObject> b = Load("b.rdf");
    ASSERT_TRUE(b);
    EXPECT_FALSE(MeshBody(b)->IsHidden());
    EXPECT_EQ(MeshBody(b)->GetModifiers().size(), 2u);
    EXPECT_FALSE(b->IsStatic());
}

TEST_F(SceneLoader, AnimatedRootsReadEveryFileAndShareClipsThroughTheCache)
{
    Node walk = scene::ThreeFrameNode("Body");
    walk.physics.mass = 0; // no physics data; its shapes still give part boxes
    scene::Shape box;
    box.size1 = box.size2 = box.size3 = 2;
    walk.shapes = { box };
    walk.children = { scene::ThreeFrameNode("Arm") };
    Node run = walk;
    run.frameTime = 120;
    Mesh("walk.anm", scene::AnimationFile(walk));
    Mesh("run.anm", scene::AnimationFile(run));
    Mesh("guy.rdf", "root = anim;walk,walk.anm;missing,nothere.anm;run,run.anm\n"
                    "sprite = glow, 0, 0, 1, 0.5, arm\n"
                    "sprite = lost, 0, 0, 1, 0.5, nowhere\n");

    const CPSmartPtr<CPGameObject> guy = Load("guy.rdf");
    ASSERT_TRUE(guy);
    EXPECT_EQ(guy->GetName(), "body");
    EXPECT_EQ(guy->GetSourceName(), "guy.rdf");
    EXPECT_FALSE(guy->GetPhysicData());
    EXPECT_EQ(guy->GetPartBoxes().size(), 1u);
    CPAnimatedObject* body = AnimatedBody(guy);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetClips().size(), 2u);
    EXPECT_EQ(body->GetCurrentClip(), body->GetClips().at("walk"));
    EXPECT_FLOAT_EQ(body->GetClips().at("run")->m_frameTime, 0.05f);
    // The own box is the clip's box: frames span x 0..3, y 0..1.
    ExpectVector(guy->GetBoundingBox().m_centre, 1.5f, 0.5f, 0);
    const CPSmartPtr<CPGameObject> arm = guy->FindPart("arm");
    ASSERT_TRUE(arm);
    EXPECT_EQ(AnimatedBody(arm)->GetClips().size(), 2u);
    EXPECT_NE(m_animations.FindAnimation("arm&walk.anm"), nullptr);
    EXPECT_NE(m_animations.FindAnimation("arm&run.anm"), nullptr);
    // Short-form sprites: under the named node, or not at all.
    ASSERT_TRUE(arm->FindPart("glow"));
    EXPECT_FALSE(guy->FindChild("lost"));
    EXPECT_FALSE(arm->FindPart("glow")->IsStatic());
    ASSERT_EQ(guy->GetDetailLevels().size(), 1u);

    // A second description naming the same file shares its clips.
    Mesh("guy2.rdf", "root = anim;walk,walk.anm\n");
    const CPSmartPtr<CPGameObject> again = Load("guy2.rdf");
    ASSERT_TRUE(again);
    EXPECT_EQ(AnimatedBody(again)->GetClips().at("walk"), body->GetClips().at("walk"));
}

TEST_F(SceneLoader, FurtherAnimationFilesThatDoNotMatchTheTreeAddNothing)
{
    Node walk = scene::ThreeFrameNode("body");
    walk.children = { scene::ThreeFrameNode("arm") };
    Node odd = walk;
    odd.children[0].name = "leg";
    Node hostile = walk;
    hostile.frames.resize(1);
    Mesh("walk.anm", scene::AnimationFile(walk));
    Mesh("odd.anm", scene::AnimationFile(odd));
    std::string cut = scene::AnimationFile(hostile);
    Mesh("cut.anm", cut.substr(0, cut.size() - 10));
    Mesh("guy.rdf", "root = anim;walk,walk.anm;odd,odd.anm;cut,cut.anm\n");

    const CPSmartPtr<CPGameObject> guy = Load("guy.rdf");
    ASSERT_TRUE(guy);
    EXPECT_EQ(AnimatedBody(guy)->GetClips().size(), 1u);
    EXPECT_EQ(AnimatedBody(guy->FindPart("arm"))->GetClips().size(), 1u);
}
