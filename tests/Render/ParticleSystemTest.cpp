#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Host/PScriptObject.h"
#include "Platform/CRand.h"
#include "Render/PMaterial.h"
#include "Render/PParticleManager.h"
#include "Render/PParticleSystem.h"
#include "Render/PRenderObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
// One launch as an emitter received it; the chain flattened into copies.
struct ReceivedLaunch
{
    D3DXVECTOR3 position;
    D3DXVECTOR3 velocity;
    D3DXVECTOR3 acceleration;
    float scalar1 = 0;
    float scalar2 = 0;
    float scalar3 = 0;
    uint8_t flag1 = 0;
    uint8_t flag2 = 0;
    float yaw = 0;
    int32_t value4 = 0;
    CPManagedObject* object = nullptr;
    std::vector<CPParticleEmitDesc> chain;
};

// Keeps every launch it gets and reports itself active from the first one,
// as an emitter with particles to run does.
class RecordingEmitter : public CPParticleEmitter
{
public:
    int32_t GetObjectSize() const override { return static_cast<int32_t>(sizeof(*this)); }
    std::string GetTypeName() const override { return "RecordingEmitter"; }
    void Emit(const CPParticleLaunch& launch) override
    {
        ReceivedLaunch received;
        received.position = launch.position;
        received.velocity = launch.velocity;
        received.acceleration = launch.acceleration;
        received.scalar1 = launch.scalar1;
        received.scalar2 = launch.scalar2;
        received.scalar3 = launch.scalar3;
        received.flag1 = launch.flag1;
        received.flag2 = launch.flag2;
        received.yaw = launch.yaw;
        received.value4 = launch.value4;
        received.object = launch.object.Get();
        for (const CPParticleEmitDesc* link = launch.next.get(); link; link = link->next.get()) {
            received.chain.push_back(*link);
            received.chain.back().value4 = link->value4;
            received.chain.back().object = link->object;
        }
        launches.push_back(received);
        m_active = 1;
    }
    void Clear() override
    {
        ++clears;
        m_active = 0;
    }

    std::vector<ReceivedLaunch> launches;
    int clears = 0;
};

// What the seeded generator gives next, without disturbing it for the code
// under test: the values are drawn from a copy of the seed.
std::vector<int> NextDraws(uint32_t seed, int count)
{
    crt::srand(seed);
    std::vector<int> draws;
    for (int i = 0; i < count; ++i)
        draws.push_back(crt::rand());
    crt::srand(seed);
    return draws;
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

class ParticleSystem : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_ParticleManager = &m_manager;
        g_CommandDispatcher = &m_dispatcher;
        m_handler.Register(m_dispatcher);
        m_handler.Start();
    }
    void TearDown() override
    {
        // The manager lets go of the emitters before they are destroyed.
        m_manager.Reset();
        m_manager.GetEmitters().clear();
        g_ParticleManager = nullptr;
        g_CommandDispatcher = nullptr;
        g_FrameTime = 0;
    }
    void Step(CPParticleSystem& system, float seconds)
    {
        g_FrameTime = seconds;
        system.Update();
    }
    // The "damage" commands the handler got since the last call.
    std::vector<std::string> Damages()
    {
        std::vector<std::string> amounts;
        while (m_handler.SetNextCommand()) {
            if (m_handler.GetCurrentCommand()->name == "damage")
                amounts.push_back(m_handler.GetCurrentParams()->at(0));
        }
        return amounts;
    }

    // A template for the named emitter, registered under the same name, with
    // its emitter.
    RecordingEmitter& AddTemplate(const std::string& name, const CPEmitterTemplate& base = CPEmitterTemplate())
    {
        CPEmitterTemplate emitterTemplate = base;
        emitterTemplate.name = name;
        m_manager.GetTemplates()[name] = emitterTemplate;
        m_emitters.push_back(std::make_unique<RecordingEmitter>());
        m_manager.GetEmitters()[name] = m_emitters.back().get();
        return *m_emitters.back();
    }

    CPParticleManager m_manager;
    std::vector<std::unique_ptr<RecordingEmitter>> m_emitters;
    CPCommandDispatcher m_dispatcher;
    CPScriptObject m_handler{ "burning" };
};
}

TEST_F(ParticleSystem, BuildsFromNamedTemplates)
{
    CPEmitterTemplate smoke;
    smoke.name = "smoke";
    smoke.direction = D3DXVECTOR3(0, 0, 4);
    m_manager.GetTemplates()["smoke"] = smoke;
    CPEmitterTemplate spark;
    spark.name = "spark";
    m_manager.GetTemplates()["spark"] = spark;

    CPParticleSystem system(nullptr, { "smoke", "missing", "spark" });
    EXPECT_EQ(system.GetTemplateNames().size(), 3u);
    ASSERT_EQ(system.GetTemplates().size(), 2u);
    EXPECT_EQ(system.GetTemplates()[0].name, "smoke");
    EXPECT_EQ(system.GetTemplates()[0].direction, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(m_manager.GetTemplates()["smoke"].direction, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(system.GetOrder(), CPTask::kDefaultOrder);
    EXPECT_EQ(system.m_period, 0.5f);
    EXPECT_EQ(system.m_lifetime, -1.0f);
}

TEST_F(ParticleSystem, PeriodsDamageTheTargetAndTheOwnersHandlerOwner)
{
    CPGameObject burning("burning");
    burning.SetScriptHandler(&m_handler);
    CPGameObject fire("fire");
    burning.AddChild(&fire);
    CPParticleSystem system(&fire, {});
    system.m_damage = 2;
    system.SetDamageTarget(&burning);
    ASSERT_TRUE(system.Start());

    Step(system, 1.2f); // two periods of 0.5 s
    EXPECT_NEAR(system.m_accumulator, 0.2f, 1e-6f);
    EXPECT_NEAR(system.m_age, 1.2f, 1e-6f);
    // Per period: the damage target, then the owner's handler owner.
    EXPECT_EQ(Damages(), (std::vector<std::string>{ "2.00", "2.00", "2.00", "2.00" }));
    Step(system, 0.2f);
    EXPECT_TRUE(Damages().empty());

    // Start begins the count again.
    system.Stop();
    ASSERT_TRUE(system.Start());
    EXPECT_EQ(system.m_accumulator, 0);
    EXPECT_EQ(system.m_age, 0);
}

TEST_F(ParticleSystem, LifetimeStopsAndHalfLifeAppliesTheMaterial)
{
    CPGameObject wreck("wreck");
    wreck.SetScriptHandler(&m_handler);
    CPSmartPtr<CPMaterial> burnt(new CPMaterial(5));
    wreck.SetMaterial(burnt.Get());
    CPSmartPtr<CPRenderObject> mesh(new CPRenderObject(&wreck));
    wreck.SetBody(mesh.Get(), kBodyRenderObject);
    CPParticleSystem system(&wreck, {});
    system.m_lifetime = 1.2f;
    system.Start();

    Step(system, 0.55f); // age 0.55: before half-life
    EXPECT_FALSE(mesh->GetMaterial());
    Step(system, 0.1f); // age 0.65 >= 0.6, between two bursts
    EXPECT_EQ(mesh->GetMaterial(), burnt);
    EXPECT_TRUE(system.IsRunning());
    Step(system, 0.5f); // second burst: age 1.0 + 0.15
    EXPECT_TRUE(system.IsRunning());
    Step(system, 0.5f); // third burst: age 1.5 > 1.2
    EXPECT_TRUE(system.IsFinished());

    // Endless and periodless systems never stop and never hang.
    CPParticleSystem endless(nullptr, {});
    endless.m_lifetime = 0;
    endless.Start();
    Step(endless, 100);
    EXPECT_TRUE(endless.IsRunning());
    endless.m_period = 0;
    Step(endless, 1);
    EXPECT_TRUE(endless.IsRunning());
}

TEST_F(ParticleSystem, CloneCopiesSettingsAndTemplates)
{
    CPEmitterTemplate flame;
    flame.name = "flame";
    flame.speed = 3;
    m_manager.GetTemplates()["flame"] = flame;
    CPGameObject owner("owner");
    CPGameObject target("target");
    CPParticleSystem system(&owner, { "flame" });
    system.m_period = 0.1f;
    system.m_lifetime = 7;
    system.m_damage = 3;
    system.SetDamageTarget(&target);
    m_manager.GetTemplates()["flame"].speed = 99; // clones copy the system's own templates

    CPSmartPtr<CPTask> cloned = system.Clone();
    auto* clone = static_cast<CPParticleSystem*>(cloned.Get());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetOwner(), &owner);
    EXPECT_EQ(clone->m_period, 0.1f);
    EXPECT_EQ(clone->m_lifetime, 7);
    EXPECT_EQ(clone->m_damage, 3);
    EXPECT_EQ(clone->GetDamageTarget(), &target);
    ASSERT_EQ(clone->GetTemplates().size(), 1u);
    EXPECT_EQ(clone->GetTemplates()[0].speed, 3);
    EXPECT_FALSE(clone->IsRunning());

    // The manager clones prototypes by number.
    m_manager.GetPrototypes().emplace_back(&system);
    m_manager.GetPrototypes().emplace_back(nullptr);
    EXPECT_TRUE(m_manager.CloneSystem(0));
    EXPECT_FALSE(m_manager.CloneSystem(1));
    EXPECT_FALSE(m_manager.CloneSystem(2));
    EXPECT_FALSE(m_manager.CloneSystem(-1));
    m_manager.GetPrototypes().clear();
}

TEST(ParticleEmitDesc, CopiesOwnTheirChainButNotTheObjects)
{
    CPSmartPtr<CPGameObject> holder(new CPGameObject("holder"));
    CPParticleEmitDesc first;
    first.name = "derbis";
    first.velocity = D3DXVECTOR3(1, 2, 3);
    first.scalar1 = 0.1f;
    first.flag2 = 1;
    first.value4 = 9;
    first.object = holder;
    first.next = std::make_unique<CPParticleEmitDesc>();
    first.next->name = "smoke";
    first.next->object = holder;
    first.next->next = std::make_unique<CPParticleEmitDesc>();
    first.next->next->name = "spark";

    CPParticleEmitDesc copy(first);
    EXPECT_EQ(copy.name, "derbis");
    EXPECT_EQ(copy.velocity, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(copy.scalar1, 0.1f);
    EXPECT_EQ(copy.flag2, 1);
    EXPECT_EQ(copy.value4, 0);
    EXPECT_FALSE(copy.object);
    ASSERT_TRUE(copy.next && copy.next->next);
    EXPECT_NE(copy.next.get(), first.next.get());
    EXPECT_EQ(copy.next->name, "smoke");
    EXPECT_FALSE(copy.next->object);
    EXPECT_EQ(copy.next->next->name, "spark");
    EXPECT_FALSE(copy.next->next->next);

    // Copying from a record of its own chain keeps that record alive long enough.
    copy = *copy.next;
    EXPECT_EQ(copy.name, "smoke");
    ASSERT_TRUE(copy.next);
    EXPECT_EQ(copy.next->name, "spark");
    EXPECT_FALSE(copy.next->next);
}

TEST_F(ParticleSystem, EmitsOneBurstPerPeriod)
{
    CPEmitterTemplate sparks;
    sparks.speed = 2;
    sparks.direction = D3DXVECTOR3(0, 0, 1);
    RecordingEmitter& emitter = AddTemplate("spark", sparks);
    CPParticleSystem system(nullptr, { "spark" });
    system.Start();

    Step(system, 1.2f);
    EXPECT_EQ(emitter.launches.size(), 2u);
    EXPECT_NEAR(system.m_accumulator, 0.2f, 1e-6f);
    Step(system, 0.2f);
    EXPECT_EQ(emitter.launches.size(), 2u);
    Step(system, 0.2f); // 0.6 s gathered
    EXPECT_EQ(emitter.launches.size(), 3u);

    // A period of 0 gives one burst per update, however long the frame.
    system.m_period = 0;
    Step(system, 5.0f);
    EXPECT_EQ(emitter.launches.size(), 4u);
    Step(system, 0.01f);
    EXPECT_EQ(emitter.launches.size(), 5u);
}

TEST_F(ParticleSystem, StopsRightAfterTheBurstThatPassesItsLifetime)
{
    RecordingEmitter& emitter = AddTemplate("smoke");
    CPParticleSystem system(nullptr, { "smoke" });
    system.m_lifetime = 1.2f;
    system.Start();
    Step(system, 1.1f); // bursts at ages 0.5 and 1.0
    EXPECT_TRUE(system.IsRunning());
    Step(system, 0.45f); // the third burst brings the age to 1.5
    EXPECT_EQ(emitter.launches.size(), 3u);
    EXPECT_TRUE(system.IsFinished());
}

TEST_F(ParticleSystem, LaunchRecordsFollowTheSeededGenerator)
{
    CPEmitterTemplate debris;
    debris.spread = D3DXVECTOR3(1, 2, 3);
    debris.speed = 5;
    debris.direction = D3DXVECTOR3(0, 0, 1);
    debris.cone = 90;
    debris.acceleration = D3DXVECTOR3(0, 0, -24.8f);
    debris.scalar1 = 0.1f;
    debris.scalar2 = 0.2f;
    debris.scalar3 = 1.5f;
    debris.flag1 = 1;
    RecordingEmitter& emitter = AddTemplate("debris", debris);

    CPGameObject owner("owner");
    owner.SetPosition(D3DXVECTOR3(10, 20, 30));
    owner.UpdateTransform();
    CPParticleSystem system(&owner, { "debris" });

    // Seeded with 1234 the generator gives 4068, 213, 12761, 8758, 23056:
    // three draws scatter the position within the spread (4068 / 32767 * 2
    // - 1 = -0.751701 and so on), one picks the azimuth (8758 % 360 = 118
    // degrees) and one the elevation within half the cone (23056 % 45 = 16).
    const std::vector<int> draws = NextDraws(1234, 5);
    ASSERT_EQ(draws, (std::vector<int> { 4068, 213, 12761, 8758, 23056 }));
    system.Emit();
    ASSERT_EQ(emitter.launches.size(), 1u);
    const ReceivedLaunch& launch = emitter.launches[0];
    ExpectNear(launch.position, D3DXVECTOR3(9.248299f, 18.026002f, 29.336680f));
    ExpectNear(launch.velocity, D3DXVECTOR3(-0.647020f, 1.216867f, 4.806308f));
    EXPECT_EQ(launch.acceleration, D3DXVECTOR3(0, 0, -24.8f));
    EXPECT_EQ(launch.scalar1, 0.1f);
    EXPECT_EQ(launch.scalar2, 0.2f);
    EXPECT_EQ(launch.scalar3, 1.5f);
    EXPECT_EQ(launch.flag1, 1);
    EXPECT_EQ(launch.flag2, 0);
    EXPECT_EQ(launch.yaw, 0.0f);
    EXPECT_TRUE(launch.chain.empty());
}

TEST_F(ParticleSystem, LaunchDirectionTurnsOntoTheTemplateAndTheOwner)
{
    struct Case
    {
        const char* what;
        D3DXVECTOR3 direction;
        int32_t cone;
        float ownerTurn; // radians about z
        D3DXVECTOR3 velocity;
        int draws; // taken from the generator
    };
    const Case cases[] = {
        { "along +z", { 0, 0, 1 }, 0, 0, { 0, 0, 3 }, 4 },
        { "along +x", { 1, 0, 0 }, 0, 0, { 3, 0, 0 }, 4 },
        { "along -y", { 0, -2, 0 }, 0, 0, { 0, -3, 0 }, 4 },
        { "slanted", { 1, 0, 1 }, 0, 0, { 3 * 0.70710678f, 0, 3 * 0.70710678f }, 4 },
        { "turned with the owner", { 1, 0, 0 }, 0, D3DX_PI / 2, { 0, 3, 0 }, 4 },
        // A cone of 1 degree or less has no half to draw from: along the axis.
        { "cone of 1", { 1, 0, 0 }, 1, 0, { 3, 0, 0 }, 4 },
        { "negative cone", { 1, 0, 0 }, -5, 0, { 3, 0, 0 }, 4 },
        { "cone of 2: elevation 0 drawn", { 1, 0, 0 }, 2, 0, { 3, 0, 0 }, 5 },
        // No turning axis: straight down flips +z over the x axis, a zero
        // direction stands for +z.
        { "straight down", { 0, 0, -1 }, 0, 0, { 0, 0, -3 }, 4 },
        { "zero direction", { 0, 0, 0 }, 0, 0, { 0, 0, 3 }, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_manager.Reset();
        m_manager.GetTemplates().clear();
        m_manager.GetEmitters().clear();
        CPEmitterTemplate jet;
        jet.speed = 3;
        jet.direction = c.direction;
        jet.cone = c.cone;
        RecordingEmitter& emitter = AddTemplate("jet", jet);
        CPGameObject owner("owner");
        D3DXQUATERNION turn;
        const D3DXVECTOR3 zAxis(0, 0, 1);
        D3DXQuaternionRotationAxis(&turn, &zAxis, c.ownerTurn);
        owner.SetRotation(turn);
        owner.UpdateTransform();
        CPParticleSystem system(&owner, { "jet" });

        const std::vector<int> draws = NextDraws(77, c.draws + 1);
        system.Emit();
        ASSERT_EQ(emitter.launches.size(), 1u);
        ExpectNear(emitter.launches[0].velocity, c.velocity);
        EXPECT_EQ(crt::rand(), draws.back()) << "draws taken";
    }
}

TEST_F(ParticleSystem, BurstChainsItsTemplatesForTheFirstEmitter)
{
    CPEmitterTemplate base;
    base.direction = D3DXVECTOR3(0, 0, 1);
    base.spread = D3DXVECTOR3(0, 0, 0);
    RecordingEmitter& smoke = AddTemplate("smoke", base);
    base.scalar1 = 2;
    RecordingEmitter& fire = AddTemplate("fire", base);
    base.scalar1 = 3;
    AddTemplate("spark", base);

    CPGameObject owner("owner");
    owner.SetPosition(D3DXVECTOR3(5, 6, 7));
    owner.UpdateTransform();
    CPParticleSystem system(&owner, { "smoke", "fire", "spark" });
    system.Emit();

    ASSERT_EQ(smoke.launches.size(), 1u);
    EXPECT_TRUE(fire.launches.empty());
    const ReceivedLaunch& launch = smoke.launches[0];
    EXPECT_EQ(launch.position, D3DXVECTOR3(5, 6, 7)); // the first record at the owner
    ASSERT_EQ(launch.chain.size(), 2u);
    EXPECT_EQ(launch.chain[0].name, "fire");
    EXPECT_EQ(launch.chain[0].scalar1, 2);
    EXPECT_EQ(launch.chain[0].position, D3DXVECTOR3(0, 0, 0)); // relative to the first
    EXPECT_EQ(launch.chain[1].name, "spark");
    EXPECT_EQ(launch.chain[1].scalar1, 3);
}

TEST_F(ParticleSystem, ManagerHandsLaunchRecordsToNamedEmitters)
{
    RecordingEmitter& debris = AddTemplate(CPParticleManager::kDebrisEmitter);
    RecordingEmitter& idle = AddTemplate("idle");
    CPGameObject holder("holder");

    CPParticleEmitDesc record;
    record.name = CPParticleManager::kDebrisEmitter;
    record.position = D3DXVECTOR3(1, 2, 3);
    record.velocity = D3DXVECTOR3(4, 5, 6);
    record.scalar1 = 0.05f;
    record.scalar2 = 0.5f;
    record.flag2 = 1;
    record.value4 = 42;
    record.object = &holder;
    record.next = std::make_unique<CPParticleEmitDesc>();
    record.next->name = "smoke";
    record.next->value4 = 7;

    const std::vector<int> draws = NextDraws(9, 1);
    m_manager.Emit(record);
    ASSERT_EQ(debris.launches.size(), 1u);
    const ReceivedLaunch& launch = debris.launches[0];
    EXPECT_EQ(launch.position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(launch.velocity, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(launch.scalar1, 0.05f);
    EXPECT_EQ(launch.scalar2, 0.5f);
    EXPECT_EQ(launch.flag2, 1);
    EXPECT_EQ(launch.value4, 42);
    EXPECT_EQ(launch.object, &holder);
    EXPECT_FLOAT_EQ(launch.yaw, D3DXToRadian(static_cast<float>(draws[0] % 360)));
    ASSERT_EQ(launch.chain.size(), 1u);
    EXPECT_EQ(launch.chain[0].name, "smoke");
    EXPECT_EQ(launch.chain[0].value4, 0); // chained copies leave value 4 behind

    // The emitter is listed once: it is active from its first launch on.
    m_manager.Emit(record);
    EXPECT_EQ(debris.launches.size(), 2u);
    ASSERT_EQ(m_manager.GetActiveEmitters().size(), 1u);
    EXPECT_EQ(m_manager.GetActiveEmitters()[0], &debris);

    // Only "derbis" draws a yaw; an unknown name goes nowhere.
    record.name = "idle";
    const std::vector<int> next = NextDraws(9, 1);
    m_manager.Emit(record);
    EXPECT_EQ(idle.launches.at(0).yaw, 0.0f);
    EXPECT_EQ(crt::rand(), next[0]);
    record.name = "nobody";
    m_manager.Emit(record);
    EXPECT_EQ(m_manager.GetActiveEmitters().size(), 2u);

    m_manager.Reset();
    EXPECT_EQ(debris.clears, 1);
    EXPECT_EQ(idle.clears, 1);
    EXPECT_TRUE(m_manager.GetActiveEmitters().empty());
}
