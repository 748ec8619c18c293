// Enemies the host attaches to objects: melee blows on the player's car with
// their push and damage, each weapon's volley as the shot manager sees it
// with a seeded generator, death with its reward, gibs and one report, and a
// fight run from a script by frames.
#include "Host/PHostEnemies.h"

#include "Core/PGameHost.h"
#include "HostRaceFixture.h"
#include "LevelFixture.h"
#include "Host/PScriptObject.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Race/PGameData.h"
#include "Race/PShot.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct FiredShot
{
    std::string type;
    D3DXVECTOR3 position;
    D3DXVECTOR3 direction;
    float value;
    bool owned;
};

constexpr float kClipFrameTime = 0.1f;
constexpr int kClipFrames = 8;

class HostEnemies : public HostRaceFixture
{
protected:
    void SetUp() override
    {
        HostRaceFixture::SetUp();
        // The host's shot manager tells of every shot fired.
        GetShotManager()->SetFireObserver([this](const std::string& type, const D3DXVECTOR3& position,
                                       const D3DXVECTOR3& direction, float value,
                                       const CPSmartPtr<CPGameObject>& owner, const float*) {
            m_fired.push_back({ type, position, direction, value, owner.Get() != nullptr });
        });
        // The player's car 3 units ahead of the enemy.
        CPPlayer& player = AddPlayerCar(D3DXVECTOR3(0.0f, -3.0f, 0.0f));
        m_playerScript = m_host->GetScriptObject("car_script");
        player.SetScriptHandler(m_playerScript);

        m_enemy = m_host->NewObject("enemy");
        m_bodyOwner = std::make_unique<CPAnimatedObject>();
        m_body = m_bodyOwner.get();
        m_body->SetOwner(m_enemy);
        for (const char* clip : { "idle", "walk", "melee1", "melee2", "fire_in", "fire", "fire_out", "death1" }) {
            m_clips.push_back(std::make_unique<CPAnimation>(clip));
            CPAnimation* animation = m_clips.back().get();
            animation->m_frameTime = kClipFrameTime;
            animation->m_frameCount = kClipFrames;
            animation->m_frames.resize(kClipFrames);
            for (int i = 0; i < kClipFrames; ++i) {
                animation->m_frames[i].index = i;
                animation->m_frames[i].vertices.resize(1);
            }
            m_body->GetClips()[clip] = animation;
        }
        m_enemy->SetBody(m_body, kBodyAnimatedObject);
        Drain();
    }

    void TearDown() override
    {
        m_level.reset();
        m_car.reset();
        m_enemy->SetBody(nullptr, kBodyGroup);
        m_bodyOwner.reset();
        m_clips.clear();
        HostRaceFixture::TearDown();
    }

    CPEnemyController& Attach(const char* type)
    {
        CPEnemyController* controller = GetHostEnemies()->Attach(*m_enemy, type);
        EXPECT_NE(controller, nullptr) << type;
        return *controller;
    }

    CPHostEnemy& Enemy() { return *GetHostEnemies()->GetEnemies().back(); }

    // Commands a script object received since the last call, "name:params".
    static std::vector<std::string> Received(CPScriptObject& script, const std::string& name)
    {
        std::vector<std::string> received;
        while (script.SetNextCommand()) {
            if (script.GetCurrentCommand()->name != name)
                continue;
            std::string text = name;
            for (const std::string& param : *script.GetCurrentParams())
                text += ":" + param;
            received.push_back(text);
        }
        return received;
    }

    void Drain()
    {
        for (const char* name : { "gamemenu", "jeep" })
            Received(*m_host->GetScriptObject(name), "");
        Received(*m_playerScript, "");
        m_fired.clear();
    }

    D3DXVECTOR4 CarVelocity() const { return BodyVelocity(*m_car); }

    std::vector<FiredShot> m_fired;
    CPScriptObject* m_playerScript = nullptr;
    CPGameObject* m_enemy = nullptr;
    CPAnimatedObject* m_body = nullptr;
    std::unique_ptr<CPAnimatedObject> m_bodyOwner;
    std::vector<std::unique_ptr<CPAnimation>> m_clips;
};

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 apart = a - b;
    return D3DXVec3Length(&apart);
}

float AngleBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const float c = D3DXVec3Dot(&a, &b) / (D3DXVec3Length(&a) * D3DXVec3Length(&b));
    return std::acos(std::max(-1.0f, std::min(1.0f, c)));
}
}

TEST_F(HostEnemies, MeleeBlowsPushAndDamageTheCarInReach)
{
    CPEnemyController& controller = Attach("melee");
    // The first blow's sound, on a clock that stands still.
    PlatformClock::SetTime(1000);
    CPSmartPtr<CNSound> hitSound = GetSoundManager()->LoadSound("slam.wav", 0, false);
    ASSERT_TRUE(hitSound);
    GetSoundManager()->RegisterSound("enemy_hit1", hitSound.Get());
    const struct
    {
        const char* animation;
        D3DXVECTOR3 carAt;
        float push;
        const char* damage;
    } cases[] = {
        { "melee1", D3DXVECTOR3(0.0f, -3.0f, 0.0f), 40.0f, "damage:10.00" },
        { "melee2", D3DXVECTOR3(0.0f, -3.0f, 0.0f), 60.0f, "damage:15.00" },
        // Out of the blow's reach (2.24 units): nothing.
        { "melee1", D3DXVECTOR3(0.0f, -6.0f, 0.0f), 0.0f, nullptr },
    };
    for (const auto& c : cases) {
        m_car->Player()->SetPosition(c.carAt);
        m_car->Player()->UpdateTransform();
        m_car->Body()->SetVelocity(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        controller.PlayAnimation(c.animation, true, true, 4);
        controller.Update();
        EXPECT_NEAR(CarVelocity().y, -c.push / fixture::kCarMass, 1e-5f) << c.animation;
        const std::vector<std::string> damage = Received(*m_playerScript, "damage");
        if (c.damage)
            EXPECT_EQ(damage, std::vector<std::string>{ c.damage }) << c.animation;
        else
            EXPECT_TRUE(damage.empty());
        EXPECT_EQ(hitSound->IsPlaying(), c.damage && c.animation == std::string("melee1")) << c.animation;
        hitSound->Stop();
    }
    EXPECT_TRUE(m_fired.empty());
    hitSound = nullptr;
    PlatformClock::UseRealClocks();
}

TEST_F(HostEnemies, ConeDrawsKeepToTheirAngle)
{
    const D3DXVECTOR3 axes[] = { D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, -1),
                                 D3DXVECTOR3(0.6f, -0.8f, 0), D3DXVECTOR3(0, -1, 0) };
    crt::srand(5);
    for (const D3DXVECTOR3& axis : axes) {
        const D3DXVECTOR3 straight = CPEnemyController::DrawInCone(axis, 0.0f);
        EXPECT_LT(AngleBetween(straight, axis), 1e-3f);
        for (int i = 0; i < 20; ++i)
            EXPECT_LE(AngleBetween(CPEnemyController::DrawInCone(axis, 0.4f), axis), 0.4f + 1e-4f);
    }
}

TEST_F(HostEnemies, EachWeaponFiresItsVolleyFromTheMuzzle)
{
    const struct
    {
        const char* type;
        const char* shot;
        size_t perStep;
        float cone;
    } cases[] = {
        { "hmgun", "trasser22", 1, 0.1f },  { "plasma", "plazma_shot2", 1, 0.0f },
        { "mgun", "trasser21", 1, 0.0f },   { "lgun", "trasser21", 1, 0.0f },
        { "shotgun", "trasser23", 8, 0.4f }, { "melee", "", 0, 0.0f },
        { "explosion", "", 0, 0.0f },
    };
    // The muzzle stands 1 ahead and 1.5 up; the aim is 0.3 above the car.
    const D3DXVECTOR3 muzzle(0.0f, -1.0f, 1.5f);
    D3DXVECTOR3 aim = D3DXVECTOR3(0.0f, -3.0f, 0.3f) - muzzle;
    D3DXVec3Normalize(&aim, &aim);
    for (const auto& c : cases) {
        CPGameObject* object = m_host->NewObject(c.type);
        CPEnemyController* controller = GetHostEnemies()->Attach(*object, c.type);
        ASSERT_NE(controller, nullptr);
        crt::srand(7);
        m_fired.clear();
        controller->PlayAnimation("fire", true, true, 2);
        controller->Update();
        ASSERT_EQ(m_fired.size(), c.perStep) << c.type;
        bool spread = false;
        for (const FiredShot& shot : m_fired) {
            EXPECT_EQ(shot.type, c.shot);
            EXPECT_NEAR(Distance(shot.position, muzzle), 0.0f, 1e-5f) << c.type;
            EXPECT_FLOAT_EQ(shot.value, -1.0f);
            EXPECT_FALSE(shot.owned);
            const float angle = AngleBetween(shot.direction, aim);
            EXPECT_LE(angle, c.cone + 1e-3f) << c.type;
            spread = spread || angle > 1e-3f;
        }
        // Eight pellets spread; a single shot may fall near the middle.
        if (c.perStep > 1) {
            EXPECT_TRUE(spread) << c.type;
        }
    }
}

TEST_F(HostEnemies, RocketsComeEveryThirdStep)
{
    CPEnemyController& controller = Attach("rocket");
    for (uint32_t seed : { 1u, 2u, 3u, 4u }) {
        crt::srand(seed);
        const char* third = crt::rand() % 2 == 0 ? "srocket2" : "plazma_shot2";
        crt::srand(seed);
        m_fired.clear();
        for (int step = 0; step < 3; ++step) {
            controller.PlayAnimation("fire", true, true, 2);
            controller.Update();
        }
        ASSERT_EQ(m_fired.size(), 3u);
        EXPECT_EQ(m_fired[0].type, "plazma_shot2");
        EXPECT_EQ(m_fired[1].type, "plazma_shot2");
        EXPECT_EQ(m_fired[2].type, third) << seed;
        EXPECT_EQ(controller.m_rocketCounter, 0);
    }
}

TEST_F(HostEnemies, DeathPaysOnceThrowsGibsAndReportsOnce)
{
    CPEnemyController& controller = Attach("melee");
    m_enemy->SetPosition(D3DXVECTOR3(1.0f, 2.0f, 0.0f));
    g_GameData->m_money = 100.0f;
    const int32_t kills = g_GameData->m_kills;
    crt::srand(11);
    m_enemy->Damage(D3DXVECTOR3(1, 2, 1), D3DXVECTOR3(0, 1, 0), 70.0f, false, 0);

    EXPECT_FLOAT_EQ(g_GameData->m_money, 120.0f);
    EXPECT_EQ(g_GameData->m_kills, kills + 1);
    EXPECT_EQ(Received(*m_host->GetScriptObject("gamemenu"), "change_money"),
              std::vector<std::string>{ "change_money:120.00" });
    EXPECT_FALSE(m_enemy->IsVisible());
    ASSERT_GE(m_fired.size(), 6u);
    // The hit effect at the hit point, against the hit by its amount.
    EXPECT_EQ(m_fired[0].type, "blood1");
    EXPECT_FLOAT_EQ(m_fired[0].direction.y, -70.0f);
    const size_t gibs = m_fired.size() - 1;
    EXPECT_GE(gibs, 5u);
    EXPECT_LE(gibs, 9u);
    for (size_t i = 1; i < m_fired.size(); ++i) {
        EXPECT_TRUE(m_fired[i].type == "gib1" || m_fired[i].type == "gib2") << m_fired[i].type;
        EXPECT_NEAR(Distance(m_fired[i].position, D3DXVECTOR3(1, 2, 1)), 0.0f, 1e-5f);
        EXPECT_NEAR(D3DXVec3Length(&m_fired[i].direction), 1.0f, 1e-4f);
    }
    EXPECT_EQ(Enemy().behaviour.m_state, CPHostEnemyBehaviour::kDying);

    // A second lethal hit before the host marks the body dead pays nothing.
    m_enemy->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 70.0f, true, 0);
    EXPECT_FLOAT_EQ(g_GameData->m_money, 120.0f);
    EXPECT_EQ(g_GameData->m_kills, kills + 1);
    EXPECT_EQ(Received(*m_host->GetScriptObject("jeep"), "enemy_death"),
              std::vector<std::string>{ "enemy_death:melee:1.00:2.00:0.00" });
    // Once the host has run its death, damage is ignored.
    CPHostEnemies::Step(Enemy(), 0.1f);
    EXPECT_EQ(controller.m_dead, 1);
    EXPECT_EQ(controller.GetCurrentAnimation().name, "death1");
}

TEST_F(HostEnemies, ExplosionBlowsUpOnItsFirstBlowEvenWhenItMisses)
{
    CPEnemyController& controller = Attach("explosion");
    m_car->Player()->SetPosition(D3DXVECTOR3(0.0f, -20.0f, 0.0f));
    m_car->Player()->UpdateTransform();
    controller.PlayAnimation("melee1", true, true, 4);
    controller.Update();
    ASSERT_EQ(m_fired.size(), 1u);
    EXPECT_EQ(m_fired[0].type, "rocket_exp2");
    EXPECT_NEAR(Distance(m_fired[0].position, D3DXVECTOR3(0, -2, 1)), 0.0f, 1e-5f);
    EXPECT_NEAR(m_fired[0].direction.y, -1.0f, 1e-5f);
    EXPECT_EQ(Received(*m_host->GetScriptObject("jeep"), "enemy_death"),
              std::vector<std::string>{ "enemy_death:explosion:0.00:0.00:0.00" });
    EXPECT_EQ(Enemy().behaviour.m_state, CPHostEnemyBehaviour::kDying);
    EXPECT_TRUE(Received(*m_playerScript, "damage").empty());
}

TEST_F(HostEnemies, FireRepeatsOneVolleyPerDrawnPass)
{
    CPEnemyController& controller = Attach("mgun");
    controller.PlayAnimation("fire_in", true, true, -1);
    CPVertex vertices[1];
    uint16_t indices[1];
    // "fire_in" (0.8 s), then "fire" twice with its report at 0.2 s, each
    // pass drawn many times: one volley per pass.
    const double start = g_FullTime;
    while (g_FullTime < start + 2.3) {
        g_FullTime += 0.02;
        m_body->FillBuffers(vertices, indices, 0, 0);
    }
    EXPECT_EQ(m_fired.size(), 2u);
    EXPECT_EQ(controller.m_firing, 1);
    EXPECT_EQ(m_body->GetClipName(), "fire");
}

TEST_F(HostEnemies, AScriptAttachesAnEnemyThatWalksUpAndFights)
{
    m_car->Player()->SetPosition(D3DXVECTOR3(0.0f, -10.0f, 0.0f));
    m_car->Player()->UpdateTransform();
    Global("enemy", m_enemy);
    std::string error;
    ASSERT_TRUE(m_host->RunString(R"(
assert(HOST.attach_enemy(enemy, "nothing") == false)
assert(HOST.attach_enemy(nil, "melee") == false)
assert(HOST.attach_enemy(enemy, "melee") == true)
assert(HOST.attach_enemy(enemy, "melee") == false)
HOST.frame(0.1, 40)
)",
                                  "fight", error))
        << error;
    const CPHostEnemy& enemy = Enemy();
    // It walked from the origin to the edge of its reach and attacks.
    EXPECT_NEAR(enemy.mover.m_position.y, -7.5f, 1e-3f);
    EXPECT_NEAR(m_enemy->GetPosition().y, -7.5f, 1e-3f);
    EXPECT_EQ(enemy.behaviour.m_state, CPHostEnemyBehaviour::kAttack);
    const std::string& animation = enemy.controller->GetCurrentAnimation().name;
    EXPECT_TRUE(animation == "melee1" || animation == "melee2") << animation;

    // The car drives off: when the blow ends the enemy follows.
    m_car->Player()->SetPosition(D3DXVECTOR3(0.0f, -30.0f, 0.0f));
    m_car->Player()->UpdateTransform();
    ASSERT_TRUE(m_host->RunString("HOST.frame(0.1)", "chase", error)) << error;
    m_enemy->OnControllerAnimationEnd();
    ASSERT_TRUE(m_host->RunString("HOST.frame(0.1, 20)", "chase", error)) << error;
    EXPECT_EQ(enemy.behaviour.m_state, CPHostEnemyBehaviour::kWalk);
    EXPECT_LT(enemy.mover.m_position.y, -8.0f);
}

// The fixture level loaded by a script, with a gunner placed beside the
// player's car: the script attaches it and runs frames, the gunner turns to
// the car and starts firing; its drawn "fire" clip fires at the car.
TEST(HostEnemyOnFixtureLevel, AGunnerFiresAtThePlayersCarFromAScript)
{
    ScratchRoot root;
    ASSERT_TRUE(level::WriteLevelFiles(root.Path()));
    CPGameHost host(root.Path());
    GetGameData()->m_playerName = level::kPlayerModel;
    std::vector<FiredShot> fired;
    GetShotManager()->SetFireObserver([&fired](const std::string& type, const D3DXVECTOR3& position,
                                               const D3DXVECTOR3& direction, float value,
                                               const CPSmartPtr<CPGameObject>& owner, const float*) {
        fired.push_back({ type, position, direction, value, owner.Get() != nullptr });
    });
    std::string error;
    ASSERT_TRUE(host.RunString("InitLevel('level1') StartLevel()", "load", error)) << error;
    CPLevel* level = GetLevel();
    ASSERT_NE(level, nullptr);
    ASSERT_NE(level->followedVehicle, nullptr);

    CPGameObject* gunner = host.NewObject("gunner");
    gunner->SetPosition(level->followedVehicle->GetPosition() + D3DXVECTOR3(15.0f, 0.0f, 0.0f));
    gunner->UpdateTransform();
    // The clips outlive the body that refers to them.
    std::vector<std::unique_ptr<CPAnimation>> clips;
    CPAnimatedObject body;
    body.SetOwner(gunner);
    for (const char* clip : { "idle", "walk", "fire_in", "fire", "fire_out", "death1" }) {
        clips.push_back(std::make_unique<CPAnimation>(clip));
        CPAnimation& animation = *clips.back();
        animation.m_frameTime = kClipFrameTime;
        animation.m_frameCount = kClipFrames;
        animation.m_frames.resize(kClipFrames);
        for (int i = 0; i < kClipFrames; ++i)
            animation.m_frames[i].index = i;
        body.GetClips()[clip] = clips.back().get();
    }
    gunner->SetBody(&body, kBodyAnimatedObject);
    ScriptPushObject(host.GetLuaState(), gunner);
    lua_setglobal(host.GetLuaState(), "gunner");

    ASSERT_TRUE(host.RunString("assert(HOST.attach_enemy(gunner, 'mgun')) HOST.frame(0.05, 4)", "fight", error))
        << error;
    const CPHostEnemy& enemy = *GetHostEnemies()->GetEnemies().back();
    EXPECT_EQ(enemy.behaviour.m_state, CPHostEnemyBehaviour::kAttack);
    EXPECT_EQ(enemy.controller->GetCurrentAnimation().name, "fire_in");
    // Facing the car: the heading points back along -x.
    EXPECT_NEAR(enemy.mover.m_heading.x, -1.0f, 1e-3f);

    // Its drawing, frame by frame, through "fire_in" into the first "fire".
    fired.clear();
    CPVertex vertex;
    uint16_t index = 0;
    const double start = g_FullTime;
    while (g_FullTime < start + 1.2) {
        g_FullTime += 0.05;
        body.FillBuffers(&vertex, &index, 0, 0);
    }
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].type, "trasser21");
    D3DXVECTOR3 toCar = level->followedVehicle->GetPosition() + D3DXVECTOR3(0.0f, 0.0f, 0.3f) - fired[0].position;
    D3DXVec3Normalize(&toCar, &toCar);
    EXPECT_LT(AngleBetween(fired[0].direction, toCar), 1e-3f);

    gunner->SetBody(nullptr, kBodyGroup);
}
