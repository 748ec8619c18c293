// Shots: the manager's pools and active list, the launch turn, the lightning
// bolt's growth, hit and ribbon, and the bolt a script starts.
#include "Race/PShot.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "RaceFixture.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRenderObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{

// A shot that only records its launches.
class RecordingShot : public CPShot
{
public:
    using CPShot::CPShot;
    void Clone(CPSmartPtr<CPShot>& out) const override { out = new RecordingShot(m_shotType); }
    bool IsAlive() override { return true; }
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                const CPSmartPtr<CPGameObject>& owner, const float* carSpeed) override
    {
        CPShot::Launch(position, direction, speed, owner, carSpeed);
        ++launches;
        lastCarSpeed = carSpeed ? *carSpeed : 0.0f;
    }
    int launches = 0;
    float lastCarSpeed = 0.0f;
};

struct FireCall
{
    std::string type;
    D3DXVECTOR3 position;
    D3DXVECTOR3 direction;
    float value;
};

// A published shot manager whose Fire calls are recorded, and a frame time
// of 0.1 s.
class Shots : public RaceFixture
{
protected:
    Shots()
    {
        g_ShotManager = &m_shots;
        g_FrameTime = 0.1f;
        m_shots.SetFireObserver([this](const std::string& type, const D3DXVECTOR3& position,
                                       const D3DXVECTOR3& direction, float value, const CPSmartPtr<CPGameObject>&,
                                       const float*) {
            m_fired.push_back({ type, position, direction, value });
        });
    }
    ~Shots() override { g_ShotManager = nullptr; }

    RecordingShot* AddTemplate(const std::string& type)
    {
        auto shot = std::make_unique<RecordingShot>(type);
        RecordingShot* raw = shot.get();
        EXPECT_TRUE(m_shots.RegisterTemplate(std::move(shot)));
        return raw;
    }

    // A bolt growing 10 units a second with a ribbon 3 wide.
    static std::unique_ptr<CPBoltShot> MakeBolt()
    {
        auto bolt = std::make_unique<CPBoltShot>("bolt");
        bolt->Init({ "enemy", "10", "1.5", "1.5", "razlom.dds", "light_nofog.fx", "103", "sparks", "none" });
        return bolt;
    }

    CPShotManager m_shots;
    std::vector<FireCall> m_fired;
};

TEST_F(Shots, FireClonesTheTemplateThenTakesTheLastIdleShot)
{
    RecordingShot* pattern = AddTemplate("rocket");
    const float carSpeed = 12.0f;
    EXPECT_EQ(m_shots.Fire("rocket", D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 1, 0), 7.0f, nullptr, &carSpeed), 1);
    ASSERT_EQ(m_shots.GetActiveShots().size(), 1u);
    auto* first = static_cast<RecordingShot*>(m_shots.GetActiveShots()[0].Get());
    EXPECT_NE(first, pattern);
    EXPECT_EQ(first->GetShotType(), "rocket");
    EXPECT_EQ(first->GetShotPosition(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(first->GetSpeed(), 7.0f);
    EXPECT_EQ(first->lastCarSpeed, 12.0f);
    EXPECT_EQ(pattern->launches, 0);
    ASSERT_EQ(m_shots.GetPool("rocket")->size(), 1u);

    // Two idle shots behind the template: the last one flies again.
    m_shots.Fire("rocket", D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr);
    CPSmartPtr<CPShot> a = m_shots.GetActiveShots()[0];
    CPSmartPtr<CPShot> b = m_shots.GetActiveShots()[1];
    m_shots.ReturnToPool(a);
    m_shots.ReturnToPool(b);
    m_shots.GetActiveShots().clear();
    m_shots.Fire("rocket", D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr);
    ASSERT_EQ(m_shots.GetActiveShots().size(), 1u);
    EXPECT_EQ(m_shots.GetActiveShots()[0], b);
    EXPECT_EQ(b->GetShotPosition(), D3DXVECTOR3(4, 5, 6));
    const CPShotManager::ShotList& pool = *m_shots.GetPool("rocket");
    ASSERT_EQ(pool.size(), 2u);
    EXPECT_EQ(pool[0].Get(), pattern);
    EXPECT_EQ(pool[1], a);
}

TEST_F(Shots, UnknownTypeLeavesAnEmptyPoolAndFiresNothing)
{
    AddTemplate("rocket");
    m_shots.Fire("rocket", D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr);
    EXPECT_EQ(m_shots.GetPool("ghost"), nullptr);
    EXPECT_EQ(m_shots.Fire("ghost", D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr), 0);
    ASSERT_NE(m_shots.GetPool("ghost"), nullptr);
    EXPECT_TRUE(m_shots.GetPool("ghost")->empty());
    EXPECT_EQ(m_shots.GetActiveShots().size(), 1u);
    ASSERT_EQ(m_fired.size(), 2u);
    EXPECT_EQ(m_fired[1].type, "ghost");

    // A template registered later takes the empty pool's first place; a
    // second one for the same type is refused.
    EXPECT_TRUE(m_shots.RegisterTemplate(std::make_unique<RecordingShot>("ghost")));
    EXPECT_FALSE(m_shots.RegisterTemplate(std::make_unique<RecordingShot>("ghost")));
    EXPECT_EQ(m_shots.Fire("ghost", D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr), 1);

    // A bolt clones to nothing, so a bolt template fires nothing.
    EXPECT_TRUE(m_shots.RegisterTemplate(MakeBolt()));
    EXPECT_EQ(m_shots.Fire("bolt", D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr), 0);
    EXPECT_EQ(m_shots.GetActiveShots().size(), 2u);
}

TEST_F(Shots, LaunchTurnsTheShotAlongItsDirection)
{
    const float h = std::sqrt(0.5f);
    const struct
    {
        D3DXVECTOR3 direction;
        D3DXQUATERNION rotation;
    } cases[] = {
        // About (-1, 0, 0) by -90 degrees.
        { D3DXVECTOR3(0, 0, -1), D3DXQUATERNION(h, 0, 0, h) },
        // Straight down the axis: no turn.
        { D3DXVECTOR3(0, -2, 0), D3DXQUATERNION(0, 0, 0, 1) },
        // About (0, 0, -1) by -90 degrees; the length does not matter.
        { D3DXVECTOR3(3, 0, 0), D3DXQUATERNION(0, 0, h, h) },
    };
    for (const auto& c : cases) {
        RecordingShot shot("t");
        shot.Launch(D3DXVECTOR3(1, 1, 1), c.direction, 5.0f, nullptr, nullptr);
        const D3DXQUATERNION& q = shot.GetRotation();
        EXPECT_NEAR(q.x, c.rotation.x, 1e-5f);
        EXPECT_NEAR(q.y, c.rotation.y, 1e-5f);
        EXPECT_NEAR(q.z, c.rotation.z, 1e-5f);
        EXPECT_NEAR(q.w, c.rotation.w, 1e-5f);
        EXPECT_EQ(shot.GetDirection(), c.direction);
        EXPECT_TRUE(shot.IsDirty());
    }
    // Along (0, 1, 0) the axis is zero.
    RecordingShot up("t");
    up.Launch(D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), 5.0f, nullptr, nullptr);
    EXPECT_EQ(up.GetRotation().x, 0.0f);
    EXPECT_EQ(up.GetRotation().y, 0.0f);
    EXPECT_EQ(up.GetRotation().z, 0.0f);
}

TEST_F(Shots, BoltRunsOutPastTwentyUnits)
{
    // Along a unit direction the head ends 20 units out; along a zero one it
    // stays put. Either way the bolt lives 2 s.
    for (const D3DXVECTOR3& direction : { D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0) }) {
        std::unique_ptr<CPBoltShot> bolt = MakeBolt();
        bolt->Launch(D3DXVECTOR3(0, 0, 5), direction, 10.0f, nullptr, nullptr);
        CPSmartPtr<CPGameObject> hit;
        for (int step = 1; step <= 20; ++step)
            ASSERT_EQ(bolt->Update(hit), 1) << step;
        EXPECT_EQ(bolt->GetShotPosition(), D3DXVECTOR3(0, 0, 5) + direction * 20.0f);
        EXPECT_EQ(bolt->Update(hit), -1);
        EXPECT_EQ(bolt->GetShotPosition(), D3DXVECTOR3(0, 0, 5) + direction * 20.0f);
        EXPECT_FALSE(bolt->IsAlive());
        EXPECT_FALSE(hit);

        // A new launch starts over.
        bolt->Launch(D3DXVECTOR3(), direction, 10.0f, nullptr, nullptr);
        EXPECT_EQ(bolt->GetGrownLength(), 0.0f);
        EXPECT_TRUE(bolt->IsAlive());
        EXPECT_EQ(bolt->GetStartPoint(), D3DXVECTOR3());
    }
    EXPECT_TRUE(m_fired.empty());
}

TEST_F(Shots, BoltHitsAVehicleAndFiresItsFollowUp)
{
    CPPlayer& player = AddPlayer();
    player.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    player.GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    player.SetPosition(D3DXVECTOR3(5.5f, 0, 0));
    player.UpdateTransform();

    std::unique_ptr<CPBoltShot> bolt = MakeBolt();
    bolt->Launch(D3DXVECTOR3(), D3DXVECTOR3(1, 0, 0), 10.0f, nullptr, nullptr);
    CPSmartPtr<CPGameObject> hit;
    for (int step = 1; step <= 4; ++step)
        ASSERT_EQ(bolt->UpdateTrasser(hit), 1) << step;
    EXPECT_TRUE(m_fired.empty());
    // The fifth step runs from x = 4 into the box at x = 4.5.
    EXPECT_EQ(bolt->UpdateTrasser(hit), 0);
    EXPECT_EQ(hit.Get(), &player);
    EXPECT_EQ(bolt->GetShotPosition(), D3DXVECTOR3(4, 0, 0));
    ASSERT_EQ(m_fired.size(), 1u);
    EXPECT_EQ(m_fired[0].type, "sparks");
    EXPECT_EQ(m_fired[0].position, D3DXVECTOR3(4, 0, 0));
    EXPECT_EQ(m_fired[0].direction, D3DXVECTOR3(4.5f, 0, 0));
    EXPECT_EQ(m_fired[0].value, -1.0f);
}

TEST_F(Shots, BoltRibbonFacesTheCamera)
{
    AddCamera().mainCamera->m_eye = D3DXVECTOR3(0, 0, 10);
    std::unique_ptr<CPBoltShot> bolt = MakeBolt();
    EXPECT_EQ(bolt->GetBody().Get(), bolt->GetRibbon().Get());
    EXPECT_EQ(bolt->GetLayer(), 103);
    EXPECT_EQ(bolt->GetFollowUpType(), "sparks");
    bolt->Launch(D3DXVECTOR3(), D3DXVECTOR3(2, 0, 0), 10.0f, nullptr, nullptr);
    CPSmartPtr<CPGameObject> hit;
    ASSERT_EQ(bolt->Update(hit), 1);
    // The head is 2 units out (the direction is not normalised); the corners
    // stand 1.5 across the line, square to it and to the line to the eye.
    const std::vector<CPVertex>& corners = bolt->GetRibbon()->GetWorldVertices();
    ASSERT_EQ(corners.size(), 4u);
    const D3DXVECTOR3 expected[4] = { D3DXVECTOR3(0, -1.5f, 0), D3DXVECTOR3(2, -1.5f, 0), D3DXVECTOR3(2, 1.5f, 0),
                                      D3DXVECTOR3(0, 1.5f, 0) };
    const float u[4] = { 0.0f, 1.0f, 1.0f, 0.0f };
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(corners[i].position.x, expected[i].x, 1e-5f) << i;
        EXPECT_NEAR(corners[i].position.y, expected[i].y, 1e-5f) << i;
        EXPECT_NEAR(corners[i].position.z, expected[i].z, 1e-5f) << i;
        EXPECT_EQ(corners[i].u1, u[i]) << i;
        EXPECT_EQ(corners[i].diffuse, 0xFFFFFFFFu) << i;
    }
    EXPECT_EQ(bolt->GetRibbon()->GetIndices(), (std::vector<uint16_t> { 0, 1, 2, 0, 2, 3 }));
    EXPECT_FALSE(bolt->IsTransformUpdated());
}

TEST_F(Shots, StartLightingKeepsItsBoltOffTheActiveList)
{
    CPBoltShot* bolt = StartLighting("zap", D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, -1));
    ASSERT_NE(bolt, nullptr);
    EXPECT_EQ(bolt->GetShotType(), "zap");
    EXPECT_EQ(bolt->GetSpeed(), 10.0f);
    EXPECT_EQ(bolt->GetGrowthRate(), 10.0f);
    EXPECT_EQ(bolt->GetHalfWidth(), 1.5f);
    EXPECT_EQ(bolt->GetTexture(), "razlom.dds");
    EXPECT_EQ(bolt->GetEffect(), "light_nofog.fx");
    EXPECT_EQ(bolt->GetLayer(), 103);
    EXPECT_EQ(bolt->GetFollowUpType(), "sparks");
    EXPECT_EQ(bolt->GetStartPoint(), D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(m_shots.GetActiveShots().empty());

    // Once the level is gone the bolt still grows, hitting nothing.
    m_level.reset();
    CPSmartPtr<CPGameObject> hit;
    EXPECT_EQ(bolt->UpdateTrasser(hit), 1);
    EXPECT_EQ(bolt->GetShotPosition(), D3DXVECTOR3(1, 2, 2));

    g_ShotManager = nullptr;
    EXPECT_EQ(StartLighting("zap", D3DXVECTOR3(), D3DXVECTOR3()), nullptr);
}

TEST(ShotRecord, MissingEntriesReadAsEmptyAndZero)
{
    const CPShotRecord record = { "a", "2.5", "x" };
    EXPECT_EQ(ShotRecordEntry(record, 0), "a");
    EXPECT_EQ(ShotRecordEntry(record, 3), "");
    EXPECT_EQ(ShotRecordFloat(record, 1), 2.5f);
    EXPECT_EQ(ShotRecordFloat(record, 2), 0.0f);
    EXPECT_EQ(ShotRecordFloat(record, 9), 0.0f);

    // A bolt from a short record: no growth, no follow-up, silent.
    CPBoltShot bolt("short");
    EXPECT_TRUE(bolt.Init({ "enemy" }));
    EXPECT_EQ(bolt.GetGrowthRate(), 0.0f);
    EXPECT_EQ(bolt.GetFollowUpType(), "");
    EXPECT_FALSE(bolt.GetSound());
    CPBoltShot empty("empty");
    EXPECT_TRUE(empty.Init({}));
}

} // namespace
