#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Host/PScriptObject.h"
#include "Render/PMaterial.h"
#include "Render/PParticleManager.h"
#include "Render/PParticleSystem.h"
#include "Render/PRenderObject.h"

#include <gtest/gtest.h>

namespace
{
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

    CPParticleManager m_manager;
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
