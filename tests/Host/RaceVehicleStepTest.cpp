#include "Core/PCommandDispatcher.h"
#include "Core/PFileReader.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostEmitters.h"
#include "Host/PHostFrame.h"
#include "Platform/Clock.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Race/PSpline.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "ScratchRoot.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "WavBuilder.h"

#include "Race/PathRecord.h"
#include "Vehicles/VehicleTestSupport.h"
#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr float kStep = 1.0f / 60.0f;

const char* const kNamedSounds[] = { "chik",        "bonus_fast",  "bonus_slow",  "bonus_minus",
                                     "bonus_plus",  "enter_sumrak", "undo_weapon", "change_weapon" };

struct FiredShot
{
    std::string type;
    float value;
    CPGameObject* owner;
    bool withSpeed;
};

// The player's vehicle settled on a flat 200 x 200 ground of the host's
// stepper, in a level whose race has started, with recording targets for
// the commands and a shot manager that records what is fired.
class RaceVehicleStep : public ::testing::Test
{
public:
    void SetUp() override
    {
        m_camSpeed = g_CfgCamSpeed;
        m_psystems = g_CfgPSystems;
        // The sounds are a few milliseconds long: with the multimedia clock
        // standing still a sound that was started is still playing when the
        // test looks, however slowly the machine runs.
        PlatformClock::SetTime(1000);
        const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
        for (const char* name : { "slam", "main", "vizg", "stop" })
            m_root.MakeFile(std::string("Data/Sounds/") + name + ".wav", wav);
        for (const char* name : kNamedSounds)
            m_root.MakeFile(std::string("Data/Sounds/") + name + ".wav", wav);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        g_GameData->m_levelStarted = 1;
        for (support::Recorder* target : { &m_main, &m_menu, &m_interface, &m_jeep })
            GetCommandDispatcher()->RegisterObject(target);
        GetCommandDispatcher()->RegisterCategory("main", &m_main);
        m_savedShots = g_ShotManager;
        g_ShotManager = &m_shots;
        m_shots.SetFireObserver([this](const std::string& type, const D3DXVECTOR3&, const D3DXVECTOR3&, float value,
                                       const CPSmartPtr<CPGameObject>& owner, const float* speed) {
            m_fired.push_back({ type, value, owner.Get(), speed != nullptr });
        });

        m_ground.AddGround(200.0f);
        m_ground.Place(D3DXVECTOR3());
        Manager().GetCollisionGrid().Build(m_ground.Body());
        Manager().CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
        m_level = std::make_unique<CPLevel>();
        m_level->raceStarted = 1;
        m_vehicle = std::make_unique<fixture::Vehicle>(fixture::CarXml(), D3DXVECTOR3(0.0f, 0.0f, 1.2f));
        m_vehicle->AddTo(Manager(), 1);
        Player().SetSideFlags(CPPlayer::kPlayerVehicle | CPPlayer::kLightSide);
        m_level->player = &Player();
        Run(60);
        Drain();
    }

    void TearDown() override
    {
        PlatformClock::UseRealClocks();
        // Particles hold the vehicle; they go first.
        GetParticleManager()->Reset();
        g_GameData->m_bonuses.clear();
        m_level->player = nullptr;
        m_level->centrePath = nullptr;
        m_level.reset();
        m_spline.reset();
        m_vehicle.reset();
        m_bonusObjects.clear();
        for (support::Recorder* target : { &m_main, &m_menu, &m_interface, &m_jeep })
            GetCommandDispatcher()->UnregisterObject(target);
        g_ShotManager = m_savedShots;
        m_host.reset();
        g_CfgCamSpeed = m_camSpeed;
        g_CfgPSystems = m_psystems;
        DebrisLiveCount() = 0;
    }

    // Frames of 1/60 s: clocks, physics, the vehicle's race step, particles.
    void Run(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            AdvanceFrameClock(kStep);
            Manager().Update();
            Player().Update(kStep);
            StepHostEmitters(kStep);
        }
    }

    void Drain()
    {
        for (support::Recorder* target : { &m_main, &m_menu, &m_interface, &m_jeep })
            target->Drain();
        m_fired.clear();
    }

    static CPPhysicManager& Manager() { return *GetPhysicManager(); }
    CPPlayer& Player() { return *m_vehicle->Player(); }
    CPCar& Car() { return *m_vehicle->Car(); }

    static CPHostEmitter& Emitter(const char* name)
    {
        return *dynamic_cast<CPHostEmitter*>(GetParticleManager()->GetEmitters()[name].Get());
    }

    static bool Playing(const char* name)
    {
        const CPSmartPtr<CNSound> sound = GetSoundManager()->GetSound(name);
        return sound && sound->IsPlaying();
    }

    // A bonus object at the vehicle (a 2 x 2 x 2 box), with an optional child
    // of the given name, in the game data's bonus list.
    CPGameObject& AddBonus(const std::string& name, const std::string& child = "",
                           const D3DXVECTOR3& offset = D3DXVECTOR3(), const D3DXVECTOR3& half = D3DXVECTOR3(1, 1, 1))
    {
        m_bonusObjects.push_back(std::make_unique<CPGameObject>(name));
        CPGameObject& object = *m_bonusObjects.back();
        if (!child.empty()) {
            m_bonusObjects.push_back(std::make_unique<CPGameObject>(child));
            m_bonusObjects.back()->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), half));
            object.AddChild(m_bonusObjects.back().get());
        }
        object.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), half));
        object.SetPosition(Player().GetPosition() + offset);
        object.UpdateTransform();
        g_GameData->m_bonuses.push_back({ CPSmartPtr<CPGameObject>(&object), 0 });
        return object;
    }

    // A straight centre path along x through the origin.
    void AddPath()
    {
        m_root.MakeFile("Data/Levels/path.lvl",
                        PathRecord("c_path", true,
                                   { StraightSegment(D3DXVECTOR3(-60, 0, 0), D3DXVECTOR3(60, 0, 0)),
                                     StraightSegment(D3DXVECTOR3(60, 0, 0), D3DXVECTOR3(-60, 0.5f, 0)) }));
        CPFileReader reader("Data\\Levels\\path.lvl");
        ASSERT_EQ(reader.Load(), S_OK);
        m_spline = std::make_unique<CPSpline>();
        ASSERT_TRUE(m_spline->Load(reader));
        m_level->centrePath = m_spline.get();
    }

    // Turns the vehicle and its body over.
    void Flip()
    {
        D3DXQUATERNION over;
        D3DXQuaternionRotationYawPitchRoll(&over, 0.0f, 3.1415927f, 0.0f);
        Player().SetRotation(over);
        Player().UpdateTransform();
        m_vehicle->Data()->SetBodyRotation(over);
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    support::Recorder m_main { "main" };
    support::Recorder m_menu { "gamemenu" };
    support::Recorder m_interface { "game_interface" };
    support::Recorder m_jeep { "jeep" };
    CPShotManager m_shots;
    CPShotManager* m_savedShots = nullptr;
    std::vector<FiredShot> m_fired;
    fixture::LevelMesh m_ground;
    std::unique_ptr<CPLevel> m_level;
    std::unique_ptr<CPSpline> m_spline;
    std::unique_ptr<fixture::Vehicle> m_vehicle;
    std::vector<std::unique_ptr<CPGameObject>> m_bonusObjects;
    int32_t m_camSpeed = 0;
    int32_t m_psystems = 0;
};

using Commands = std::vector<std::string>;
}

TEST_F(RaceVehicleStep, WreckedPlayerLosesOnceAndIsDefeatedThreeSecondsLater)
{
    Player().m_damage = 100.0f;
    Run(1);
    EXPECT_EQ(m_interface.Drain(), Commands { "show_message(proigrish!)" });
    EXPECT_EQ(m_jeep.Drain(), Commands { "game_over()" });
    // Not locked: not dead, still driving.
    EXPECT_EQ(Player().m_dead, 0);

    int defeatFrame = -1;
    for (int frame = 2; frame <= 1500; ++frame) {
        Run(1);
        for (const std::string& command : m_main.Drain()) {
            if (command == "defeat()") {
                EXPECT_EQ(defeatFrame, -1) << "sent twice";
                defeatFrame = frame;
            }
        }
    }
    EXPECT_NEAR(defeatFrame, 180, 1);
    EXPECT_TRUE(m_interface.Drain().empty());
    EXPECT_TRUE(m_jeep.Drain().empty());
}

TEST_F(RaceVehicleStep, ALockedWreckIsDeadAndSmokesUnlessItIsTraffic)
{
    const struct
    {
        uint32_t flags;
        bool smoke;
    } cases[] = { { CPPlayer::kDarkSide, true }, { CPPlayer::kTraffic, false } };
    for (const auto& c : cases) {
        GetParticleManager()->Reset();
        Player().SetSideFlags(c.flags);
        Player().m_dead = 0;
        Player().m_damage = 100.0f;
        Player().Lock(true);
        const float driveTime = Player().m_driveTime;
        Run(31);
        EXPECT_EQ(Player().m_dead, 1) << c.flags;
        EXPECT_EQ(Emitter("smoke3car").GetParticleCount() > 0, c.smoke) << c.flags;
        EXPECT_EQ(Player().m_driveTime, driveTime) << c.flags;
        EXPECT_EQ(Car().m_brake, 1) << c.flags;
        // Opponents send no defeat.
        EXPECT_TRUE(m_jeep.Drain().empty());
    }
}

TEST_F(RaceVehicleStep, DriftPointsReportTheDriftRoundedDownToTenths)
{
    g_GameData->m_texts["drift_time"] = "Drift";
    Player().m_arrows = 1;
    // The drift time grows by the frame time, however long the step.
    const struct
    {
        int frames;
        float frameTime;
        Commands reported;
    } cases[] = {
        { 27, kStep, {} },
        { 34, kStep, { "bonus_points2(time|Drift|0.500000)" } },
        { 70, kStep, { "bonus_points2(time|Drift|1.100000)" } },
        { 6, 0.1f, { "bonus_points2(time|Drift|0.600000)" } },
    };
    for (const auto& c : cases) {
        Drain();
        for (int i = 0; i <= c.frames; ++i) {
            const bool drifting = i < c.frames;
            AdvanceFrameClock(c.frameTime);
            Car().m_driftValue = drifting ? 1.0f : 0.0f;
            Car().m_steering = 0.3f;
            Player().Update(kStep);
        }
        Commands reported;
        size_t arrows = 0;
        for (const std::string& command : m_interface.Drain()) {
            if (command == "update_arrows(0)")
                ++arrows;
            else
                reported.push_back(command);
        }
        EXPECT_EQ(reported, c.reported) << c.frames;
        EXPECT_EQ(arrows, static_cast<size_t>(c.frames + 1));
        EXPECT_EQ(Player().m_driftTime, 0.0f);
    }
}

TEST_F(RaceVehicleStep, PickupsFireTheirShotPlayTheirSoundAndReport)
{
    struct Case
    {
        const char* label;
        std::string name;
        std::string child;
        uint32_t flags;
        std::function<void(RaceVehicleStep&)> before;
        const char* shot; // null: nothing fired
        const char* sound;
        Commands interface;
        Commands main;
        std::function<void(RaceVehicleStep&)> check;
    };
    const uint32_t player = CPPlayer::kPlayerVehicle | CPPlayer::kLightSide;
    const Case cases[] = {
        { "repair", "bonus_remont", "", player, [](RaceVehicleStep& t) { t.Player().m_damage = 12.0f; },
          "sparks4_remont", "chik", { "show_message(remont!)" }, { "update_bonus_list(repair)" },
          [](RaceVehicleStep& t) { EXPECT_EQ(t.Player().m_damage, 0.0f); } },
        { "speed", "bonus", "glow3", player, nullptr, "sparks4", "bonus_fast", { "show_message(uskorenie!)" },
          { "update_bonus_list(axel)" },
          [](RaceVehicleStep& t) {
              EXPECT_EQ(t.Player().m_throttleDisabled, 1);
              EXPECT_EQ(t.Player().m_restore, 1);
              EXPECT_EQ(t.Player().m_restoreClock, 2.0f);
          } },
        { "speed without its sound", "bonus", "glow3", player,
          [](RaceVehicleStep&) { GetSoundManager()->RegisterSound("bonus_fast", nullptr); }, "sparks4", nullptr,
          { "show_message(uskorenie!)" }, { "update_bonus_list(axel)" },
          [](RaceVehicleStep& t) { EXPECT_EQ(t.Player().m_throttleDisabled, 0); } },
        { "slow", "bonus", "glow2", player, nullptr, "sparks4red", "bonus_slow", { "show_message(zamedlenie!)" },
          { "update_bonus_list(brake)" },
          [](RaceVehicleStep& t) {
              EXPECT_EQ(t.Player().m_slowed, 1);
              EXPECT_EQ(t.Car().m_brake, 1);
          } },
        { "ability minus", "bonus", "glow6", player, [](RaceVehicleStep& t) { t.Player().m_abilityCount = 2; },
          "sparks4red", "bonus_minus", { "redraw_abilities()", "show_message(sposobnost-1!)" },
          { "update_bonus_list(minus)" }, [](RaceVehicleStep& t) { EXPECT_EQ(t.Player().m_abilityCount, 1); } },
        { "ability plus at the maximum", "bonus", "glow4", player,
          [](RaceVehicleStep& t) {
              g_GameData->m_maxAbilities = 3;
              t.Player().m_abilityCount = 3;
          },
          "sparks4", "bonus_plus", { "show_message(sposobnost+1!)" }, { "update_bonus_list(plus)" },
          [](RaceVehicleStep& t) { EXPECT_EQ(t.Player().m_abilityCount, 3); } },
        { "gloom for the player", "portal", "portal_a", player, nullptr, "sparks4_gloom", "enter_sumrak",
          { "show_message(uron_x2!)" }, { "update_bonus_list(gloom)" },
          [](RaceVehicleStep& t) {
              EXPECT_EQ(t.Player().m_inGloom, 1);
              EXPECT_EQ(t.Player().m_playerGloom, 1);
              EXPECT_EQ(GetRender()->m_gloom, CPRender::kGloomWorld);
              EXPECT_NE(GetRender()->m_motionBlurOn, 0);
          } },
        { "gloom for a dark opponent", "portal", "portal_a", CPPlayer::kDarkSide,
          [](RaceVehicleStep& t) { t.m_level->player = nullptr; }, "sparks4_gloom", "enter_sumrak", {},
          { "update_bonus_list(gloom)" },
          [](RaceVehicleStep& t) {
              EXPECT_FALSE(t.Player().IsVisible());
              EXPECT_EQ(GetRender()->m_gloom, CPRender::kGloomNormal);
          } },
        { "opponent repair", "bonus_remont", "", CPPlayer::kLightSide, nullptr, "sparks4_remont", "chik", {},
          { "update_bonus_list(repair)" }, nullptr },
        { "traffic takes no pickup", "bonus_remont", "", CPPlayer::kTraffic,
          [](RaceVehicleStep& t) { t.Player().m_damage = 12.0f; }, nullptr, nullptr, {}, {},
          [](RaceVehicleStep& t) { EXPECT_EQ(t.Player().m_damage, 12.0f); } },
        { "race not started", "bonus_remont", "", player, [](RaceVehicleStep& t) { t.m_level->raceStarted = 0; },
          nullptr, nullptr, {}, {}, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const char* name : kNamedSounds) {
            if (const CPSmartPtr<CNSound> sound = GetSoundManager()->GetSound(name))
                sound->Stop();
        }
        const CPSmartPtr<CNSound> fast = GetSoundManager()->GetSound("bonus_fast");
        Player().SetSideFlags(c.flags);
        if (c.before)
            c.before(*this);
        AddBonus(c.name, c.child);
        Drain();

        Player().UpdateBonuses();

        if (c.shot) {
            ASSERT_EQ(m_fired.size(), 1u);
            EXPECT_EQ(m_fired[0].type, c.shot);
            EXPECT_EQ(m_fired[0].value, -1.0f);
            EXPECT_EQ(m_fired[0].owner, nullptr);
        } else {
            EXPECT_TRUE(m_fired.empty());
        }
        if (c.sound) {
            EXPECT_TRUE(Playing(c.sound));
        }
        EXPECT_EQ(m_interface.Drain(), c.interface);
        EXPECT_EQ(m_main.Drain(), c.main);
        EXPECT_EQ(g_GameData->m_bonuses.empty(), c.shot != nullptr);
        if (c.check)
            c.check(*this);

        // Back to the start for the next case.
        g_GameData->m_bonuses.clear();
        GetSoundManager()->RegisterSound("bonus_fast", fast.Get());
        m_level->player = &Player();
        m_level->raceStarted = 1;
        GetRender()->SetBlurAlpha(CPRender::kGloomNormal);
        GetRender()->SetMotionBlur(0.0f);
        Player().SetVisible(true);
        Player().m_throttleDisabled = 0;
        Player().m_restore = 0;
        Player().m_slowed = 0;
        Player().m_inGloom = 0;
        Player().m_playerGloom = 0;
        Player().m_damage = 0.0f;
    }
}

TEST_F(RaceVehicleStep, ThePushSphereGivesTenPushesASecondThenRestsForOneSecond)
{
    Player().SetSideFlags(CPPlayer::kDarkSide);
    AddBonus("sphere", "sphera", D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    Car().m_speed = 10.0f;
    CPPhysicBody& body = *m_vehicle->Body();
    for (int push = 1; push <= 11; ++push) {
        Player().m_bonusTime = 0.0f;
        D3DXVECTOR4 before;
        body.GetVelocity(&before);
        Player().UpdateBonuses();
        D3DXVECTOR4 after;
        body.GetVelocity(&after);
        const bool pushed = push <= 10;
        EXPECT_EQ(Player().m_pushCounter, std::min(push, 10)) << push;
        EXPECT_EQ(Player().m_bonusTime, pushed ? 4.0f : 0.0f) << push;
        // Strength 300 (capped) along the unnormalised direction, away from
        // the sphere in x.
        if (pushed)
            EXPECT_NEAR(after.x - before.x, 300.0f * Player().m_pushDirection.x * body.m_inverseMass, 1e-3f) << push;
        else
            EXPECT_EQ(after.x, before.x);
    }
    EXPECT_NEAR(Player().m_pushDirection.x, -1.0f, 1e-4f);
    AdvanceFrameClock(1.0f);
    Player().UpdateBonuses();
    EXPECT_EQ(Player().m_pushCounter, 1);
    // Light-side vehicles pass through.
    Player().SetSideFlags(CPPlayer::kLightSide);
    Player().m_bonusTime = 0.0f;
    AdvanceFrameClock(1.0f);
    Player().UpdateBonuses();
    EXPECT_EQ(Player().m_bonusTime, 0.0f);
    EXPECT_EQ(g_GameData->m_bonuses.size(), 1u);
}

// A pickup whose object its owner has deleted stays listed but offers
// nothing, and the step never touches the ended object (the sanitizer build
// catches a touch).
TEST_F(RaceVehicleStep, APickupWhoseObjectHasEndedIsPassedOver)
{
    Player().m_damage = 30.0f;
    AddBonus("bonus_remont");
    m_bonusObjects.clear();
    Drain();
    Player().UpdateBonuses();
    EXPECT_TRUE(m_fired.empty());
    EXPECT_TRUE(m_main.Drain().empty());
    EXPECT_EQ(Player().m_damage, 30.0f);
    EXPECT_EQ(g_GameData->m_bonuses.size(), 1u);
}

TEST_F(RaceVehicleStep, TheHaloPushIsCutTo400AndFlashesAtMostEveryFifthOfASecond)
{
    // The halo's box is shrunk to a third in x and y for the test: 10 x 10.
    CPGameObject& halo = AddBonus("halo", "", D3DXVECTOR3(6.0f, 0.0f, 0.0f), D3DXVECTOR3(30.0f, 30.0f, 5.0f));
    AdvanceFrameClock(1.0f);
    CPPhysicBody& body = *m_vehicle->Body();
    D3DXVECTOR4 before;
    body.GetVelocity(&before);
    Player().UpdateBonuses();
    D3DXVECTOR4 after;
    body.GetVelocity(&after);
    EXPECT_NEAR(after.x - before.x, -400.0f * body.m_inverseMass, 1e-4f);
    EXPECT_EQ(Emitter("wall").GetParticleCount(), 1u);
    EXPECT_EQ(Player().m_bonusTime, 4.0f);
    // Only a copy of the halo's bounds was shrunk.
    EXPECT_NEAR(halo.GetObjectBounds().m_halfSize.x, 30.0f, 1e-4f);

    Player().m_bonusTime = 0.0f;
    AdvanceFrameClock(0.1f);
    Player().UpdateBonuses();
    EXPECT_EQ(Emitter("wall").GetParticleCount(), 1u);
    EXPECT_EQ(Player().m_bonusTime, 0.0f);
    AdvanceFrameClock(0.1f);
    Player().UpdateBonuses();
    EXPECT_EQ(Emitter("wall").GetParticleCount(), 2u);
}

TEST_F(RaceVehicleStep, TheLightTrapLocksUntilFourSecondsAfterTheLastTouch)
{
    Player().SetSideFlags(CPPlayer::kDarkSide);
    AddBonus("light");
    Player().SetCarParams(1.0f, 0.0f);
    Run(1);
    ASSERT_EQ(Player().m_locked, 1);
    EXPECT_EQ(Car().m_locked, 1);
    g_GameData->m_bonuses.clear();
    Run(230);
    EXPECT_EQ(Player().m_locked, 1);
    Run(12);
    EXPECT_EQ(Player().m_locked, 0);
    EXPECT_EQ(Car().m_locked, 0);
    EXPECT_EQ(Player().m_restore, 0);
}

TEST_F(RaceVehicleStep, TheVortexLiftsAndSpinsLightSideVehicles)
{
    CPGameObject& vortex = AddBonus("empty", "v_bii");
    (void)vortex;
    Player().UpdateBonuses();
    D3DXVECTOR4 spin;
    m_vehicle->Body()->GetAngularMomentum(&spin);
    EXPECT_NEAR(spin.z, 30.0f * m_vehicle->Data()->m_inertia.m_mass, 1e-2f);
    EXPECT_EQ(Player().m_bonusTime, 4.0f);
    EXPECT_EQ(g_GameData->m_bonuses.size(), 1u);
}

TEST_F(RaceVehicleStep, EachWeaponFiresAtItsRateAndRunsDryAfterItsCount)
{
    const struct
    {
        const char* name;
        int32_t count;
        int32_t capacity;
        const char* shot; // null: no shot
        size_t shotsPerTrigger;
        size_t casingsPerTrigger;
        size_t flamesPerTrigger;
    } cases[] = {
        { "lgun", 1, 5, "trasser11", 1, 1, 0 },        { "mgun2x", 1, 5, "trasser11", 1, 1, 0 },
        { "lgun2x", 1, 5, "trasser11", 1, 1, 0 },      { "hmgun", 1, 5, "trasser12", 1, 1, 0 },
        { "shotgun", 8, 43, "trasser13", 8, 8, 0 },    { "autoshotgun", 3, 17, "trasser13", 3, 3, 0 },
        { "ssrlauncher", 2, 11, "srocket1", 1, 0, 0 }, { "rlauncher", 1, 5, "rocket1", 1, 0, 0 },
        { "gauss", 1, 5, "gauss1", 1, 0, 0 },          { "plasma", 1, 5, "plazma", 1, 0, 0 },
        { "firethrower", 1, 5, nullptr, 0, 0, 1 },
    };
    constexpr int32_t kTriggers = 5;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* weapon = new CPGameObject(c.name);
        weapon->SetPosition(D3DXVECTOR3(0.0f, -1.0f, 1.0f));
        m_vehicle->AddPart(weapon);
        std::vector<CPGameObject*> flashes;
        for (const char* suffix : { "", "_01", "_02", "_03" }) {
            flashes.push_back(new CPGameObject(std::string("flare_") + c.name + suffix));
            m_vehicle->AddPart(flashes.back());
        }
        Player().UpdateTransform();
        auto shown = [&flashes] {
            return std::count_if(flashes.begin(), flashes.end(), [](CPGameObject* f) { return f->IsVisible(); });
        };

        CPWeaponItem item;
        item.price = 100;
        item.value1 = c.count;
        item.value4 = 7.5f;
        item.value6 = c.capacity;
        item.value7 = 4.0f;
        g_GameData->m_weapons.Add(c.name, item);
        g_GameData->m_activeCar.weapons[0] = c.name;
        Player().m_currentSlot = 0;
        Player().m_ammunition[0] = 1.0f;
        Player().m_cooldown = 0.0f;
        Player().SelectWeapon();
        ASSERT_EQ(Player().m_currentWeapon.Get(), weapon);
        EXPECT_EQ(shown(), 0);
        Player().m_fire = 1;
        GetParticleManager()->Reset();
        Drain();

        auto fireFor = [&](int frames) {
            for (int i = 0; i < frames; ++i) {
                AdvanceFrameClock(kStep);
                Player().UpdateWeapon(D3DXVECTOR3(0.0f, -30.0f, 1.0f), CPSmartPtr<CPGameObject>());
            }
        };
        // Four a second.
        fireFor(60);
        EXPECT_EQ(m_fired.size(), 4 * c.shotsPerTrigger);
        EXPECT_EQ(Emitter("gilze").GetParticleCount(), 4 * c.casingsPerTrigger);
        EXPECT_EQ(Emitter("firethrower").GetParticleCount(), 4 * c.flamesPerTrigger);
        EXPECT_EQ(shown(), 1);
        EXPECT_TRUE(flashes[3]->IsVisible());
        // Dry after exactly floor(capacity / count) triggers.
        fireFor(600);
        EXPECT_EQ(m_fired.size(), kTriggers * c.shotsPerTrigger);
        EXPECT_EQ(Emitter("firethrower").GetParticleCount(), kTriggers * c.flamesPerTrigger);
        EXPECT_EQ(Player().m_outOfAmmo, 1);
        for (const FiredShot& shot : m_fired) {
            EXPECT_EQ(shot.type, c.shot);
            EXPECT_EQ(shot.value, 7.5f);
            if (std::string(c.name) == "plasma")
                EXPECT_NE(std::find(flashes.begin(), flashes.end(), shot.owner), flashes.end());
            else
                EXPECT_EQ(shot.owner, weapon);
            EXPECT_TRUE(shot.withSpeed);
        }
        const Commands refreshed = m_menu.Drain();
        EXPECT_EQ(refreshed, Commands(kTriggers, "update_game_interface()"));
        GetParticleManager()->Reset();
        Player().m_fire = 0;
        Player().m_currentWeapon = nullptr;
        for (auto& flare : Player().m_muzzleFlashes)
            flare = nullptr;
    }
}

TEST_F(RaceVehicleStep, AWeaponOfAnyOtherNameShowsItsFlashButFiresNothing)
{
    auto* weapon = new CPGameObject("zapper");
    m_vehicle->AddPart(weapon);
    auto* flash = new CPGameObject("flare_zapper");
    m_vehicle->AddPart(flash);
    CPWeaponItem item;
    item.value1 = 1;
    item.value6 = 2;
    item.value7 = 4.0f;
    g_GameData->m_weapons.Add("zapper", item);
    g_GameData->m_activeCar.weapons[0] = "zapper";
    Player().m_currentSlot = 0;
    Player().SelectWeapon();
    EXPECT_EQ(Player().m_weaponKind, 9);
    Player().m_fire = 1;
    Drain();
    AdvanceFrameClock(kStep);
    Player().UpdateWeapon(D3DXVECTOR3(0.0f, -30.0f, 1.0f), CPSmartPtr<CPGameObject>());
    EXPECT_TRUE(flash->IsVisible());
    for (int i = 0; i < 2; ++i) {
        AdvanceFrameClock(kStep);
        Player().UpdateWeapon(D3DXVECTOR3(0.0f, -30.0f, 1.0f), CPSmartPtr<CPGameObject>());
    }
    EXPECT_TRUE(m_fired.empty());
    EXPECT_EQ(Player().m_ammunition[0], 1.0f);
    EXPECT_EQ(m_menu.Drain().size(), 3u);
}

TEST_F(RaceVehicleStep, SlotCyclingWrapsPlaysItsSoundAndRecomputesOutOfAmmo)
{
    for (const char* name : { "lgun", "gauss" }) {
        m_vehicle->AddPart(new CPGameObject(name));
        CPWeaponItem item;
        item.value1 = 1;
        item.value6 = 10;
        item.value7 = 4.0f;
        g_GameData->m_weapons.Add(name, item);
    }
    std::string* slots = g_GameData->m_activeCar.weapons;
    slots[0] = "lgun";
    slots[1] = "";
    slots[2] = "gauss";
    Player().m_ammunition[0] = 0.0f;
    Player().m_ammunition[2] = 1.0f;

    Player().m_currentSlot = 0;
    Player().SelectWeapon();
    EXPECT_EQ(Player().m_outOfAmmo, 1);
    Player().PrevWeapon(); // 0 wraps to 2
    EXPECT_EQ(Player().m_currentSlot, 2);
    EXPECT_EQ(Player().m_weaponName, "gauss");
    EXPECT_EQ(Player().m_outOfAmmo, 0);
    EXPECT_TRUE(Playing("change_weapon"));
    Player().NextWeapon(); // 2 wraps to 0, skipping nothing
    EXPECT_EQ(Player().m_currentSlot, 0);
    EXPECT_EQ(Player().m_outOfAmmo, 1);

    GetSoundManager()->GetSound("change_weapon")->Stop();
    slots[2] = "";
    Player().NextWeapon(); // the only full slot: the same one again
    EXPECT_EQ(Player().m_currentSlot, 0);
    EXPECT_TRUE(Playing("undo_weapon"));
    EXPECT_FALSE(Playing("change_weapon"));

    slots[0] = "";
    Player().NextWeapon();
    EXPECT_EQ(Player().m_currentSlot, -1);
    EXPECT_EQ(Player().m_currentWeapon.Get(), nullptr);

    // A name without a catalogue entry gives no weapon.
    slots[1] = "unknown";
    Player().m_currentSlot = 1;
    Player().SelectWeapon();
    EXPECT_EQ(Player().m_currentWeapon.Get(), nullptr);
    EXPECT_EQ(Player().m_weaponKind, 9);
}

TEST_F(RaceVehicleStep, FlameParticlesCollectWhatTheyTouch)
{
    CPGameObject* target = new CPGameObject("target");
    target->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(1, 1, 1)));
    target->SetPosition(D3DXVECTOR3(0.0f, -6.0f, 1.0f));
    target->UpdateTransform();
    m_level->objects.push_back(target);
    // The particle ends 0.2 short of the target's box, within its radius.
    const float z = Player().GetPosition().z;
    target->SetPosition(D3DXVECTOR3(0.0f, -6.0f, z));
    target->UpdateTransform();
    CPFlameParticle flame { D3DXVECTOR3(0.0f, -4.6f, z), D3DXVECTOR3(0.0f, -4.8f, z), 0.5f, 0.1f };
    CPPlayer::TraceShot(&Player(), flame);
    EXPECT_EQ(Player().m_flameHits.count(target), 1u);
    EXPECT_EQ(Player().m_flameHits.count(&Player()), 0u);
    EXPECT_EQ(flame.life, 1000.0f);
    // Already collected: nothing new, the particle lives on.
    flame.life = 0.1f;
    CPPlayer::TraceShot(&Player(), flame);
    EXPECT_EQ(flame.life, 0.1f);
    m_level->objects.clear();
    Player().m_flameHits.clear();
    delete target;
}

TEST_F(RaceVehicleStep, DebrisIsCappedAtFortyPiecesAndFreedAsPiecesEnd)
{
    DebrisLiveCount() = 38;
    SpawnDebris(D3DXVECTOR3(), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0), 5);
    EXPECT_EQ(Emitter("derbis").GetParticleCount(), 2u);
    EXPECT_EQ(Emitter("pil_").GetParticleCount(), 1u);
    EXPECT_EQ(DebrisLiveCount(), 40);
    SpawnDebris(D3DXVECTOR3(), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0), 5);
    EXPECT_EQ(Emitter("derbis").GetParticleCount(), 2u);
    // Each piece lives 1 s.
    for (int i = 0; i < 61; ++i)
        StepHostEmitters(kStep);
    EXPECT_EQ(DebrisLiveCount(), 38);
}

TEST_F(RaceVehicleStep, AFlippedVehicleRespawnsOnThePathAndThePlayerScreenFades)
{
    AddPath();
    Flip();
    Run(1);
    EXPECT_NEAR(Player().m_respawnTime, 1.0f - kStep, 1e-5f);
    EXPECT_EQ(m_level->respawnTimer, 0.0f);
    EXPECT_EQ(Player().m_fadeDown, 1);
    // On the first point of the nearest line, one line step at most from
    // where it lay, 3 above the path, upright and along the path (-x here).
    const D3DXVECTOR3& at = Player().GetPosition();
    EXPECT_LT(std::fabs(at.x), CPSpline::kLineStep);
    EXPECT_LT(std::fabs(at.y), 0.5f);
    EXPECT_NEAR(at.z, 3.0f, 1e-4f);
    const D3DXMATRIX& world = Player().GetWorldMatrix();
    EXPECT_GT(world._33, 0.99f);
    // The vehicle's forward axis (-y) runs along the path.
    EXPECT_GT(std::fabs(world._21), 0.99f);

    // Not again within a second, even upside down.
    Flip();
    Player().Respawn(false);
    EXPECT_LT(Player().GetWorldMatrix()._33, -0.99f);

    // The fade: down to 0 in 0.1 s, back to 1 in 0.4 s.
    CPRender& render = *GetRender();
    render.m_fadeMax = 256;
    CPRenderQueue queue;
    const float frame = 0.0625f;
    const float expected[] = { 0.375f, 0.0f, 0.15625f, 0.3125f, 0.46875f, 0.625f, 0.78125f, 0.9375f, 1.0f };
    for (float value : expected) {
        AdvanceFrameClock(frame);
        Player().Draw(queue, CPSmartPtr<CPCamera>());
        EXPECT_NEAR(render.m_fade, 256.0f * value, 1e-3f) << value;
    }
    EXPECT_EQ(Player().m_fadeUp, 0);
    EXPECT_EQ(Player().m_fadeDown, 0);
}

TEST_F(RaceVehicleStep, RespawnTriggersAndWhatHoldsThemBack)
{
    AddPath();
    const struct
    {
        const char* label;
        bool offTerrain;
        bool force;
        bool locked;
        float respawnTime;
        bool respawns;
    } cases[] = {
        { "upright on the ground", false, false, false, 0.0f, false },
        { "off the terrain", true, false, false, 0.0f, true },
        { "forced", false, true, false, 0.0f, true },
        { "locked", true, true, true, 0.0f, false },
        { "within a second", true, true, false, 0.5f, false },
    };
    for (const auto& c : cases) {
        Player().SetPosition(D3DXVECTOR3(5.0f, 20.0f, 1.0f));
        Player().UpdateTransform();
        m_vehicle->Data()->m_terrainTriangleCount = c.offTerrain ? 0 : 4;
        Player().m_locked = c.locked ? 1 : 0;
        Player().m_respawnTime = c.respawnTime;
        Player().Respawn(c.force);
        EXPECT_EQ(Player().GetPosition().y != 20.0f, c.respawns) << c.label;
        Player().m_locked = 0;
    }
}

TEST_F(RaceVehicleStep, GloomSparksFollowTheParticleSetting)
{
    const struct
    {
        int32_t psystems;
        size_t sparks;
    } cases[] = { { 25, 60 }, { 10, 24 }, { 0, 0 } };
    for (const auto& c : cases) {
        GetParticleManager()->Reset();
        g_CfgPSystems = c.psystems;
        Player().m_inGloom = 1;
        Player().m_inGloomClock = 0.0f;
        Player().Update(kStep);
        EXPECT_EQ(Emitter("iskra3blue").GetParticleCount(), c.sparks) << c.psystems;
        EXPECT_TRUE(Player().IsVisible());
    }
    // Fifteen seconds later the state ends.
    Player().m_inGloomClock = 14.99f;
    Player().Update(kStep);
    EXPECT_EQ(Player().m_inGloom, 0);
}

TEST_F(RaceVehicleStep, ASlowedVehicleBelowTenIsReleasedAtOnce)
{
    Player().m_slowed = 1;
    Player().m_slowClock = 0.0f;
    Player().SetBrake(1, 1);
    Run(1);
    // At rest: the slow-down ends and, the flares being missing, the brake
    // is released.
    EXPECT_EQ(Player().m_slowed, 0);
    EXPECT_EQ(Car().m_brake, 0);
}

TEST_F(RaceVehicleStep, TheEngineHeatsAndCoolsAtTheDescribedRatesAcrossEightTenths)
{
    Player().GetDescription().Parse("<engine heat=\"30\" cool=\"60\"/>");
    ASSERT_TRUE(Player().CreateShadow());
    EXPECT_EQ(Player().m_heatRate, 30.0f);
    Player().SetCarParams(1.0f, 0.0f);
    Drain();
    const Commands expected[] = { {}, { "engine_temp(1)" }, { "engine_temp(0)" }, {} };
    for (int i = 0; i < 4; ++i) {
        if (i == 2)
            Player().SetCarParams(0.0f, 0.0f);
        Player().Update(kStep);
        EXPECT_EQ(m_menu.Drain(), expected[i]) << i;
    }
    EXPECT_EQ(Player().m_engineTemperature, 0.0f);
}

TEST_F(RaceVehicleStep, TheFlameEmitterTracesItsParticlesForTheVehicle)
{
    CPGameObject* target = new CPGameObject("target");
    target->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(1, 1, 1)));
    const float z = Player().GetPosition().z;
    target->SetPosition(D3DXVECTOR3(0.0f, -6.0f, z));
    target->UpdateTransform();
    m_level->objects.push_back(target);
    CPParticleEmitDesc flame;
    flame.name = "firethrower";
    flame.position = D3DXVECTOR3(0.0f, -4.6f, z);
    flame.velocity = D3DXVECTOR3(0.0f, -6.0f, 0.0f);
    flame.scalar1 = 0.8f;
    flame.value4 = CPPlayer::kFlameTraceValue;
    flame.object = CPSmartPtr<CPManagedObject>(&Player());
    GetParticleManager()->Emit(flame);
    StepHostEmitters(kStep);
    EXPECT_EQ(Player().m_flameHits.count(target), 1u);
    // The touching particle ends at once.
    EXPECT_EQ(Emitter("firethrower").GetParticleCount(), 0u);
    m_level->objects.clear();
    Player().m_flameHits.clear();
    delete target;
}

TEST_F(RaceVehicleStep, TheLevelHandsTheWeaponStepToItsPlayer)
{
    const D3DXVECTOR3 aim(3.0f, -20.0f, 1.0f);
    m_level->SetPlayerWeaponPos(aim, CPSmartPtr<CPGameObject>());
    EXPECT_EQ(Player().m_aimPoint, aim);
    m_level->player = nullptr;
    m_level->SetPlayerWeaponPos(D3DXVECTOR3(), CPSmartPtr<CPGameObject>());
    EXPECT_EQ(Player().m_aimPoint, aim);
}

TEST_F(RaceVehicleStep, AWeaponWithoutCapacityIsEmptyAndNeverFires)
{
    m_vehicle->AddPart(new CPGameObject("lgun"));
    CPWeaponItem item;
    item.value1 = 1;
    item.value6 = 0;
    item.value7 = 4.0f;
    g_GameData->m_weapons.Add("lgun", item);
    g_GameData->m_activeCar.weapons[0] = "lgun";
    Player().m_currentSlot = 0;
    Player().SelectWeapon();
    EXPECT_EQ(Player().m_outOfAmmo, 1);
    Player().m_fire = 1;
    Player().m_outOfAmmo = 0;
    for (int i = 0; i < 10; ++i) {
        AdvanceFrameClock(kStep);
        Player().UpdateWeapon(D3DXVECTOR3(0.0f, -30.0f, 1.0f), CPSmartPtr<CPGameObject>());
    }
    EXPECT_TRUE(m_fired.empty());
    EXPECT_EQ(Player().m_outOfAmmo, 1);
    EXPECT_EQ(Player().m_ammunition[0], 1.0f);
}

// The arrow compares the level's track direction with the direction of the
// line four lines ahead of the player's current line (along the next links
// on a reversed track, the previous links otherwise): 0 within 30 degrees,
// else the side the track turns to. The lines three and five ahead turn
// sharply and the line four back turns the other way, so a wrong count or a
// wrong way shows.
TEST_F(RaceVehicleStep, TheArrowPointsWhereTheTrackTurnsFourLinesAhead)
{
    Player().m_arrows = 1;
    constexpr float kTrack = 0.3f;
    const struct
    {
        bool reversed;
        float turn;
        const char* sent;
    } cases[] = {
        { false, 0.0f, "update_arrows(0)" },    { false, 0.5f, "update_arrows(0)" }, // 28.6 degrees
        { false, 0.55f, "update_arrows(1)" }, // 31.5 degrees, to the left
        { false, -0.55f, "update_arrows(-1)" }, { true, 0.55f, "update_arrows(1)" },
        { true, -0.55f, "update_arrows(-1)" },
    };
    std::vector<CPLine> lines(11);
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].previous = i > 0 ? &lines[i - 1] : nullptr;
        lines[i].next = i + 1 < lines.size() ? &lines[i + 1] : nullptr;
    }
    m_level->centreLineHint = &lines[5];
    m_level->trackDirection = kTrack;
    for (const auto& c : cases) {
        const int way = c.reversed ? 1 : -1;
        for (CPLine& line : lines)
            line.direction = kTrack;
        lines[static_cast<size_t>(5 + 3 * way)].direction = kTrack + 1.0f;
        lines[static_cast<size_t>(5 + 5 * way)].direction = kTrack + 1.0f;
        lines[static_cast<size_t>(5 + 4 * way)].direction = kTrack + c.turn;
        lines[static_cast<size_t>(5 - 4 * way)].direction = kTrack - c.turn;
        m_level->reversed = c.reversed ? 1 : 0;
        Drain();
        Player().Update(kStep);
        EXPECT_EQ(m_interface.Drain(), Commands { c.sent }) << c.reversed << " " << c.turn;
    }
    m_level->centreLineHint = nullptr;
}

// A crashed car throws debris every step: a tenth of its speed in pieces
// (twice that at difficulty 3), each within one unit of the vehicle in x and
// y at its height, drawn along the car's motion with the z turned upward.
TEST_F(RaceVehicleStep, ACrashedCarThrowsDebrisByItsSpeed)
{
    const struct
    {
        int32_t difficulty;
        bool crashed;
        size_t pieces;
        size_t dust;
    } cases[] = { { 2, true, 3, 1 }, { 3, true, 6, 3 }, { 3, false, 0, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.difficulty);
        SCOPED_TRACE(c.crashed);
        g_CfgCamSpeed = c.difficulty;
        GetParticleManager()->Reset();
        DebrisLiveCount() = 0;
        Car().SetCrashed(c.crashed ? 1 : 0);
        // Speed 34.
        Car().m_velocity = D3DXVECTOR4(30.0f, 0.0f, -16.0f, 0.0f);
        Player().Update(kStep);
        const std::vector<CPHostEmitter::Particle>& pieces = Emitter("derbis").GetParticles();
        EXPECT_EQ(pieces.size(), c.pieces);
        EXPECT_EQ(Emitter("pil_").GetParticleCount(), c.dust);
        const D3DXVECTOR3 at = Player().GetPosition();
        for (const CPHostEmitter::Particle& piece : pieces) {
            EXPECT_LE(std::fabs(piece.position.x - at.x), 1.0f);
            EXPECT_LE(std::fabs(piece.position.y - at.y), 1.0f);
            EXPECT_EQ(piece.position.z, at.z);
            // Beside gravity, a pull along (30, 0, 16).
            const D3DXVECTOR3 pull = piece.acceleration + D3DXVECTOR3(0.0f, 0.0f, 9.8f);
            EXPECT_NEAR(pull.x * 16.0f, pull.z * 30.0f, 1e-3f);
            EXPECT_EQ(pull.y, 0.0f);
        }
        Car().SetCrashed(0);
    }
}

// The bonus time runs down by the step while it is above 0, then stays.
TEST_F(RaceVehicleStep, TheBonusTimeRunsDownToJustBelowZero)
{
    Player().SetBonusTime(0.03f);
    for (float left : { 0.03f - kStep, 0.03f - 2.0f * kStep, 0.03f - 2.0f * kStep }) {
        Player().Update(kStep);
        EXPECT_NEAR(Player().m_bonusTime, left, 1e-6f);
    }
}

// The player's gloom world ends 15 s after it began: the motion blur goes
// off, the normal look comes back and the level's vehicles are reset, so the
// traffic runs again.
TEST_F(RaceVehicleStep, ThePlayersGloomWorldEndsAfterFifteenSeconds)
{
    CPRender& render = *GetRender();
    const struct
    {
        float clock;
        bool ends;
    } cases[] = { { 14.9f, false }, { 14.99f, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clock);
        Player().m_playerGloom = 1;
        Player().m_playerGloomClock = c.clock;
        render.SetMotionBlur(0.3f);
        render.SetBlurAlpha(CPRender::kGloomWorld);
        m_level->trafficActive = 0;
        Player().Update(kStep);
        EXPECT_EQ(Player().m_playerGloom, c.ends ? 0 : 1);
        EXPECT_EQ(render.m_motionBlurOn, c.ends ? 0 : 1);
        EXPECT_EQ(render.m_motionBlurAmount, c.ends ? 0.0f : 0.3f);
        EXPECT_EQ(render.m_gloom, c.ends ? CPRender::kGloomNormal : CPRender::kGloomWorld);
        EXPECT_EQ(m_level->trafficActive, c.ends ? 1 : 0);
    }
    render.SetBlurAlpha(CPRender::kGloomNormal);
    render.SetMotionBlur(0.0f);
}

// In the stop pose the rider's pitch rises; the stoppie sound plays while it
// is above a tenth, when the engine's pitch also aims a fifth higher, and
// stops once the pitch is back at a tenth or below.
TEST_F(RaceVehicleStep, TheStoppieSoundPlaysWhileTheRiderPitchIsAboveATenth)
{
    CPCar& car = Car();
    CPPhysicControllerNode* node = car.GetControllerNode();
    const CPSmartPtr<CNSound>& stoppie = car.GetSound(CPCar::kSoundStoppie);
    ASSERT_TRUE(stoppie);
    // Steps of 0.1 s at rest: the engine's pitch goes halfway to its target.
    const struct
    {
        bool stop;
        float pitch;
        bool playing;
        float engineTarget;
    } steps[] = {
        { true, 0.1f, false, 0.5f }, // a tenth: not above it
        { true, 0.18f, true, 0.6f },    { false, 0.144f, true, 0.6f },
        { false, 0.1152f, true, 0.6f }, { false, 0.09216f, false, 0.5f },
    };
    car.m_riderPitch = 0.0f;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.pitch);
        car.SetStop(s.stop ? 1 : 0);
        m_vehicle->Body()->SetVelocity(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        const float engineBefore = car.m_enginePitch;
        AdvanceFrameClock(0.1f);
        car.OnStep(node, 0.1f);
        EXPECT_NEAR(car.m_riderPitch, s.pitch, 1e-6f);
        EXPECT_EQ(stoppie->IsPlaying(), s.playing);
        EXPECT_NEAR(car.m_enginePitch, 0.5f * (engineBefore + s.engineTarget), 1e-5f);
    }
}
