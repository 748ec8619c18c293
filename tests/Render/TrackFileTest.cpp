#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Render/PPartAnimation.h"
#include "SceneLoaderFixture.h"

#include <gtest/gtest.h>

#include <iterator>

TEST_F(SceneLoader, TrackFilesGiveOnePartAnimationPerTrack)
{
    scene::Track door = scene::ThreeKeyTrack("Door");
    door.keys[1].second = { 1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7 };
    scene::Track lid = scene::ThreeKeyTrack("lid");
    scene::Track later = scene::ThreeKeyTrack("LID");
    later.keys.resize(1);
    scene::Track empty{ "none", {} };
    m_root.MakeFile("Data/Animations/open.trk", scene::TrackFile({ door, lid, later, empty }));

    CPTrackMap tracks;
    m_loader.LoadAnimation("open.trk", tracks);
    ASSERT_EQ(tracks.size(), 3u);
    const D3DXMATRIX& key = tracks.at("door")->GetKeys()[1];
    EXPECT_FLOAT_EQ(key._11, 1.0f);
    EXPECT_FLOAT_EQ(key._41, 5.0f);
    EXPECT_FLOAT_EQ(key._42, 6.0f);
    EXPECT_FLOAT_EQ(key._43, 7.0f);
    EXPECT_FLOAT_EQ(key._44, 1.0f);
    EXPECT_FLOAT_EQ(key._14, 0.0f);
    EXPECT_EQ(tracks.at("door")->GetDurations(), (std::vector<float>{ 1, 1, 1 }));
    EXPECT_EQ(tracks.at("lid")->GetKeys().size(), 1u); // the later track holds
    EXPECT_TRUE(tracks.at("none")->GetKeys().empty());
}

TEST_F(SceneLoader, HostileOrMissingTrackFilesBindNothing)
{
    const std::string good = scene::TrackFile({ scene::ThreeKeyTrack("door") });
    const std::string shortCounts = "shorter than its counts say";
    const struct
    {
        std::string bytes;
        std::string reason;
    } bad[] = {
        { good.substr(0, good.size() - 1), shortCounts },
        { scene::Bytes().Int(0x7fffffff).Str(), shortCounts },
        { scene::Bytes().Int(1).String("door").Int(-1).Str(), shortCounts },
        { scene::Bytes().Int(1).String("door").Int(100).Float(1).Str(), shortCounts },
        { "", "shorter than its header" },
        { std::string(3, '\0'), "shorter than its header" },
    };
    for (size_t i = 0; i < std::size(bad); ++i) {
        m_root.MakeFile("Data/Animations/bad.trk", bad[i].bytes);
        CPTrackMap tracks;
        m_reports.clear();
        m_loader.LoadAnimation("Bad.trk", tracks);
        EXPECT_TRUE(tracks.empty()) << "case " << i;
        EXPECT_EQ(Refusals(), std::vector<std::string>{ "cannot read Data\\Animations\\Bad.trk: " + bad[i].reason + "\n" })
            << "case " << i;
    }
    CPTrackMap tracks;
    m_reports.clear();
    m_loader.LoadAnimation("missing.trk", tracks);
    EXPECT_TRUE(tracks.empty());
    EXPECT_TRUE(Refusals().empty());
}

TEST_F(SceneLoader, AnimationEntriesBindTracksToTheNodesOfTheHierarchy)
{
    scene::Node box = scene::Triangle("Box");
    box.children = { scene::Triangle("Door"), scene::Triangle("lid") };
    Mesh("box.msh", scene::MeshFile({ box }, false));
    m_root.MakeFile("Data/Animations/open.trk",
                    scene::TrackFile({ scene::ThreeKeyTrack("DOOR"), scene::ThreeKeyTrack("lid"),
                                       scene::ThreeKeyTrack("ghost") }));
    Mesh("box.rdf", "mesh = box.msh\n[box]\nanimation = idle,open.trk;shut,open.trk\n");

    const CPSmartPtr<CPGameObject> root = Load("box.rdf");
    ASSERT_TRUE(root);
    const CPSmartPtr<CPGameObject> door = root->FindPart("door");
    ASSERT_EQ(door->GetAnimations().size(), 2u);
    EXPECT_EQ(door->GetAnimations().at("shut")->GetPart(), door.Get());
    EXPECT_EQ(door->GetCurrentAnimation(), door->GetAnimations().at("idle"));
    EXPECT_EQ(root->FindPart("lid")->GetAnimations().size(), 2u);
    EXPECT_TRUE(root->GetAnimations().empty());
    // Stepping the door's track moves it along the keys.
    g_FrameTime = 0.5f;
    door->GetCurrentAnimation()->Update();
    g_FrameTime = 0;
    EXPECT_FLOAT_EQ(door->GetWorldMatrix()._41, 5.0f);
}
