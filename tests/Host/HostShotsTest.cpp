// The host's shots: its templates, the generic shot's flight, hit and
// recycling through the frame step, the shot sounds, and the bonus kinds of
// the mission.
#include "Host/PHostShots.h"

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Platform/DSound.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Sound/NSound.h"
#include "Vehicles/PPlayer.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

// A vehicle with a 1 x 1 x 1 half-size box at the point.
std::unique_ptr<CPPlayer> MakeVehicle(const D3DXVECTOR3& at)
{
    auto vehicle = std::make_unique<CPPlayer>();
    vehicle->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    vehicle->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    vehicle->SetPosition(at);
    vehicle->UpdateTransform();
    return vehicle;
}

class HostShots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root.MakeFile("Data/Sounds/shot.wav", wav::Pcm(1, 22050, 16, wav::Samples(64)));
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        g_FrameTime = 0.1f;
    }

    void TearDown() override
    {
        m_level.reset();
        m_vehicles.clear();
        m_host.reset();
        g_FrameTime = 0.0f;
    }

    // A level with the shooter (a weapon on it) at the origin as the
    // followed vehicle and the target 20 units along x as a computer vehicle.
    void MakeLevel()
    {
        m_level = std::make_unique<CPLevel>();
        m_vehicles.push_back(MakeVehicle(D3DXVECTOR3(0, 0, 0)));
        m_vehicles.push_back(MakeVehicle(D3DXVECTOR3(20, 0, 0)));
        m_weapon = std::make_unique<CPGameObject>("lgun");
        Shooter().AddChild(m_weapon.get());
        m_level->followedVehicle = &Shooter();
        m_level->vehicles.push_back(&Target());
    }
    CPPlayer& Shooter() { return *m_vehicles[0]; }
    CPPlayer& Target() { return *m_vehicles[1]; }

    static size_t PoolSize(const std::string& type)
    {
        const CPShotManager::ShotList* pool = GetShotManager()->GetPool(type);
        return pool ? pool->size() : 0;
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    std::vector<std::unique_ptr<CPPlayer>> m_vehicles;
    std::unique_ptr<CPGameObject> m_weapon;
    std::unique_ptr<CPLevel> m_level;
};

TEST_F(HostShots, EveryFiredTypeHasItsTemplate)
{
    ASSERT_NE(GetShotManager(), nullptr);
    for (const char* type :
         { "sparks4_remont", "sparks4",   "sparks4red", "sparks4_gloom", "trasser11", "trasser12",   "trasser13",
           "srocket1",       "plazma",    "gauss1",     "rocket1",       "sparks",    "rocket_exp2", "trasser21",
           "trasser22",      "trasser23", "srocket2",   "plazma_shot2",  "super",     "gib1",        "gib2" }) {
        EXPECT_EQ(PoolSize(type), 1u) << type;
        EXPECT_EQ(GetShotManager()->Fire(type, D3DXVECTOR3(), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr), 1) << type;
    }
    EXPECT_NE(g_HostFrameWork, nullptr);
    m_host.reset();
    EXPECT_EQ(GetShotManager(), nullptr);
    EXPECT_EQ(g_HostFrameWork, nullptr);
}

TEST_F(HostShots, ShotHitsAVehicleAndGoesBackToItsPool)
{
    MakeLevel();
    const float health = Target().m_health;
    const float carSpeed = 10.0f;
    // The shooter stands in the way at the muzzle but is its owner's vehicle.
    GetShotManager()->Fire("trasser11", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2, 0, 0), 25.0f, m_weapon.get(), &carSpeed);
    ASSERT_EQ(GetShotManager()->GetActiveShots().size(), 1u);
    CPSmartPtr<CPShot> shot = GetShotManager()->GetActiveShots()[0];
    auto* tracer = static_cast<CPHostShot*>(shot.Get());
    EXPECT_EQ(tracer->GetDamage(), 25.0f);
    EXPECT_EQ(tracer->GetFlightSpeed(), 160.0f);

    // 16 units in the first frame, then into the target's box at x = 19.
    StepHostShots();
    EXPECT_EQ(tracer->GetShotPosition(), D3DXVECTOR3(16, 0, 0));
    EXPECT_EQ(Target().m_health, health);
    EXPECT_EQ(Shooter().m_health, health);
    StepHostShots();
    EXPECT_EQ(Target().m_health, health - 25.0f);
    EXPECT_EQ(Shooter().m_health, health);
    const CPShotManager::ShotList& active = GetShotManager()->GetActiveShots();
    ASSERT_EQ(active.size(), 1u);
    EXPECT_EQ(active[0]->GetShotType(), "sparks");
    EXPECT_EQ(active[0]->GetShotPosition(), D3DXVECTOR3(19, 0, 0));
    ASSERT_EQ(PoolSize("trasser11"), 2u);
    EXPECT_EQ(GetShotManager()->GetPool("trasser11")->back(), shot);

    // The spark stands for 0.5 s (five frames) and returns to its pool at
    // the next step; the tracer flies again from its pool, with the
    // template's damage for -1.
    for (int frame = 0; frame < 5; ++frame)
        StepHostShots();
    EXPECT_EQ(GetShotManager()->GetActiveShots().size(), 1u);
    StepHostShots();
    EXPECT_TRUE(GetShotManager()->GetActiveShots().empty());
    EXPECT_EQ(PoolSize("sparks"), 2u);
    GetShotManager()->Fire("trasser11", D3DXVECTOR3(0, 5, 0), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr);
    EXPECT_EQ(GetShotManager()->GetActiveShots()[0], shot);
    EXPECT_EQ(tracer->GetDamage(), 10.0f);
    EXPECT_EQ(tracer->GetFlightSpeed(), 150.0f);
    EXPECT_EQ(PoolSize("trasser11"), 1u);
}

TEST_F(HostShots, UnhitShotIsSpentWhenItsTimeIsUp)
{
    MakeLevel();
    // trasser13 flies 0.5 s at 120 units a second, away from both vehicles;
    // the host's frame steps it.
    GetShotManager()->Fire("trasser13", D3DXVECTOR3(0, 5, 0), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr);
    for (int frame = 0; frame < 5; ++frame) {
        RunFrame(0.1f);
        ASSERT_EQ(GetShotManager()->GetActiveShots().size(), 1u) << frame;
    }
    EXPECT_NEAR(GetShotManager()->GetActiveShots()[0]->GetShotPosition().y, 65.0f, 1e-3f);
    RunFrame(0.1f);
    EXPECT_TRUE(GetShotManager()->GetActiveShots().empty());
    EXPECT_EQ(PoolSize("trasser13"), 2u);
}

TEST_F(HostShots, SoundSpecChoosesTheSound)
{
    const struct
    {
        const char* spec;
        bool hasSound;
        bool is2D;
    } cases[] = {
        { "shot.wav,2d", true, true },    { "shot.wav", true, false }, { "shot.wav,3d", true, false },
        { "shot.wav,loud", true, false }, { "none", false, false },    { "missing.wav", false, false },
    };
    for (const auto& c : cases) {
        CPHostShot shot("s");
        shot.Init({ "effect", "0", "0", "1", "", c.spec });
        ASSERT_EQ(static_cast<bool>(shot.GetSound()), c.hasSound) << c.spec;
        EXPECT_EQ(shot.IsSound2D(), c.is2D) << c.spec;
        shot.Launch(D3DXVECTOR3(3, 4, 5), D3DXVECTOR3(0, 1, 0), -1.0f, nullptr, nullptr);
        if (!c.hasSound)
            continue;
        EXPECT_EQ(shot.GetSoundName(), "shot.wav");
        PlatformDSound::BufferRecord& buffer = *PlatformDSound::RecordOf(shot.GetSound()->GetBuffer());
        EXPECT_TRUE(buffer.playing) << c.spec;
        EXPECT_EQ(shot.GetSound()->Get3DBuffer() == nullptr, c.is2D) << c.spec;
        if (!c.is2D) {
            const D3DVECTOR& at = PlatformDSound::RecordOf(shot.GetSound()->Get3DBuffer())->parameters3D.vPosition;
            EXPECT_EQ(at.x, 3.0f) << c.spec;
            EXPECT_EQ(at.y, 4.0f) << c.spec;
            EXPECT_EQ(at.z, 5.0f) << c.spec;
        }
    }
}

TEST_F(HostShots, MissionBonusKindsGetTemplates)
{
    CPMissionCheckpoint checkpoint;
    checkpoint.bonusTypes.push_back(CPWeightedName { "bonus_fast", 0, 50 });
    checkpoint.bonusTypes.push_back(CPWeightedName { "", 50, 100 });
    g_GameData->m_checkpoints.push_back(checkpoint);
    EXPECT_EQ(GetShotManager()->Fire("bonus_fast", D3DXVECTOR3(), D3DXVECTOR3(), -1.0f, nullptr), 0);
    StepHostShots();
    EXPECT_EQ(PoolSize("bonus_fast"), 1u);
    EXPECT_EQ(PoolSize(""), 0u);
    EXPECT_EQ(GetShotManager()->Fire("bonus_fast", D3DXVECTOR3(1, 2, 0), D3DXVECTOR3(1, 2, 0), -1.0f, nullptr), 1);
    // A bonus stands where it was put.
    StepHostShots();
    EXPECT_EQ(GetShotManager()->GetActiveShots()[0]->GetShotPosition(), D3DXVECTOR3(1, 2, 0));
}

} // namespace
