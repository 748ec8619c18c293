#include "Core/PGameObject.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "SceneLoaderFixture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{
// One line per node of the tree: name, kind, flags, placement, geometry and
// materials, so two trees built from the same files compare as text.
void Describe(const CPGameObject& node, int depth, std::ostringstream& out)
{
    out << std::string(static_cast<size_t>(depth), ' ') << node.GetName() << " kind " << node.GetKind()
        << " visible " << node.IsVisible() << " shadow " << node.HasShadow() << " static " << node.IsStatic()
        << " at " << node.GetPosition().x << ',' << node.GetPosition().y << ',' << node.GetPosition().z
        << " own " << node.GetMaterial().Get() << " shadowed " << node.GetShadowMaterial().Get();
    if (node.GetKind() == kBodyRenderObject) {
        const auto* body = static_cast<const CPRenderObject*>(node.GetBody().Get());
        out << " vertices " << body->GetLocalVertices().size() << " indices " << body->GetIndices().size()
            << " material " << body->GetMaterial().Get();
    }
    out << " levels " << node.GetDetailLevels().size() << '\n';
    for (const CPSmartPtr<CPGameObject>& child : node.GetChildren())
        Describe(*child, depth + 1, out);
}

std::string Describe(const CPSmartPtr<CPGameObject>& root)
{
    std::ostringstream out;
    if (root)
        Describe(*root, 0, out);
    return out.str();
}

class SceneBatch : public SceneLoader
{
protected:
    void SetUp() override
    {
        SceneLoader::SetUp();
        scene::Node box = scene::Triangle("box");
        box.children = { scene::Triangle("lid"), scene::Triangle("holey") };
        Mesh("box.msh", scene::MeshFile({ box }, false));
        Mesh("far.rdf", "mesh = box.msh\n");
        Mesh("box.rdf", "mesh = box.msh\n"
                        "sprite = lamp, 1, 2, 3, 0.5, lid\n"
                        "lod = far.rdf, 300\n"
                        "[box]\ntype = 3\neffectfile = simple.fx\ntexturefile1 = wall.tga\n"
                        "[lid]\nvisible = 0\n"
                        "[holey]\neffectfile = holey.fx\ntexturefile1 = leaf.tga\nshadow = 0\n");
        m_root.MakeFile("Data/Textures/wall.tga", scene::FallbackFiles()[2].second);
        m_root.MakeFile("Data/Textures/wall_fire.tga", scene::FallbackFiles()[2].second);
    }
};
}

// Building from a kept description (which earlier builds added empty entries
// to) gives the tree a load of its own gives.
TEST_F(SceneBatch, LoadsInABatchBuildWhatSingleLoadsBuild)
{
    const std::string single = Describe(Load("box.rdf"));
    ASSERT_NE(single.find("lamp"), std::string::npos);
    m_loader.BeginBatch();
    const std::string first = Describe(Load("box.rdf"));
    const std::string second = Describe(Load("BOX.rdf"));
    const std::string absent = Describe(Load("absent.rdf"));
    const std::string absentAgain = Describe(Load("absent.rdf"));
    m_loader.EndBatch();
    EXPECT_EQ(first, single);
    EXPECT_EQ(second, single);
    EXPECT_EQ(absent, Describe(Load("absent.rdf"))); // the fallback description
    EXPECT_EQ(absentAgain, absent);
}

// What a batch keeps stays until its outermost end; the next load reads the
// files again.
TEST_F(SceneBatch, FilesChangedDuringABatchAreSeenAfterItEnds)
{
    const std::string before = Describe(Load("box.rdf"));
    m_loader.BeginBatch();
    m_loader.BeginBatch();
    Load("box.rdf");
    Mesh("box.rdf", "mesh = other.msh\n");
    Mesh("other.msh", scene::MeshFile({ scene::Triangle("other") }, false));
    m_root.MakeFile("Data/Textures/_fire.tga", scene::FallbackFiles()[2].second);
    scene::Node changed = scene::Triangle("box");
    changed.children = { scene::Triangle("lid") };
    Mesh("box.msh", scene::MeshFile({ changed }, false));
    EXPECT_EQ(Describe(Load("box.rdf")), before);
    m_loader.EndBatch();
    EXPECT_EQ(Describe(Load("box.rdf")), before); // the outer batch is still open
    m_loader.EndBatch();

    const CPSmartPtr<CPGameObject> after = Load("box.rdf");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->GetName(), "other");
    EXPECT_TRUE(after->GetMaterial()); // "_fire.tga" now exists
    EXPECT_EQ(Load("far.rdf")->GetChildren().size(), 1u);
}
