#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Host/PScriptObject.h"
#include "Platform/CRand.h"
#include "Race/PEnemyController.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Vehicles/PPhysicData.h"

#include <gtest/gtest.h>

namespace
{
class CountingBehaviour : public CPEnemyBehaviour
{
public:
    void Restart() override { ++restarts; }
    int restarts = 0;
};

// An enemy whose body knows every clip the controller plays.
class EnemyController : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_CommandDispatcher = &m_dispatcher;
        m_level.Register(m_dispatcher);
        m_level.Start();
        m_body->SetOwner(&m_enemy);
        for (const char* clip : { "melee1", "melee2", "melee3", "fire_in", "fire", "fire_out", "death1" })
            m_body->GetClips()[clip] = new CPAnimation(clip);
        m_enemy.SetBody(m_body.Get(), kBodyAnimatedObject);
        m_enemy.SetEnemyController(&m_controller);
        m_controller.m_meleeCount = 3;
        m_controller.m_melee.resize(4);
        for (int n = 1; n <= 3; ++n)
            m_controller.m_melee[n].reportFrame = 10 * n;
        m_controller.m_fireReportFrame = 7;
    }
    void TearDown() override { g_CommandDispatcher = nullptr; }

    // The clip the enemy's body plays now.
    const std::string& Playing() const { return m_body->GetClipName(); }

    std::vector<std::vector<std::string>> Deaths()
    {
        std::vector<std::vector<std::string>> deaths;
        while (m_level.SetNextCommand()) {
            if (m_level.GetCurrentCommand()->name == "enemy_death")
                deaths.push_back(*m_level.GetCurrentParams());
        }
        return deaths;
    }

    CPCommandDispatcher m_dispatcher;
    CPScriptObject m_level{ "level_logic", { "level" } };
    CPGameObject m_enemy{ "enemy" };
    CPSmartPtr<CPAnimatedObject> m_body{ new CPAnimatedObject() };
    CountingBehaviour m_behaviour;
    CPEnemyController m_controller{ &m_enemy, &m_behaviour, nullptr };
};
}

TEST_F(EnemyController, PlayAnimationAppliesARequestUnlessAlreadyPlaying)
{
    g_FullTime = 1;
    m_controller.PlayAnimation("fire", true, false, 7);
    EXPECT_EQ(Playing(), "fire");
    EXPECT_EQ(m_body->GetLoopLimit(), 1);
    EXPECT_EQ(m_body->GetReportFrame(), 7);
    EXPECT_FLOAT_EQ(m_body->GetStartTime(), 1);

    g_FullTime = 2;
    m_controller.PlayAnimation("fire", false, false, 0);
    EXPECT_EQ(m_controller.GetCurrentAnimation().loopLimit, 1);
    // Forced: a fresh endless request; the body keeps its clip since the
    // object's own SetAnimation does not restart it.
    m_controller.PlayAnimation("fire", false, true, 0);
    EXPECT_EQ(m_controller.GetCurrentAnimation().loopLimit, 0);
    EXPECT_EQ(m_controller.GetCurrentAnimation().reportFrame, -1);
    g_FullTime = 0;
}

TEST_F(EnemyController, AnimationEndsChainTheAttacks)
{
    crt::srand(1);
    m_controller.PlayAnimation("melee1", true, false, 10);
    for (int i = 0; i < 20; ++i) {
        m_enemy.OnControllerAnimationEnd();
        const std::string& name = m_controller.GetCurrentAnimation().name;
        ASSERT_TRUE(name == "melee1" || name == "melee2" || name == "melee3") << name;
        const int n = name.back() - '0';
        EXPECT_EQ(m_controller.GetCurrentAnimation().reportFrame, 10 * n);
        EXPECT_EQ(m_controller.GetCurrentAnimation().loopLimit, 1);
        if (n == 3)
            break; // "melee3" ends the melee chain
    }
    EXPECT_GE(m_behaviour.restarts, 1);

    m_controller.PlayAnimation("fire_in", true, true, -1);
    m_enemy.OnControllerAnimationEnd();
    EXPECT_EQ(Playing(), "fire");
    EXPECT_EQ(m_controller.m_firing, 1);
    const int restarts = m_behaviour.restarts;
    m_enemy.OnControllerAnimationEnd(); // "fire" repeats while firing
    EXPECT_EQ(m_behaviour.restarts, restarts + 1);
    EXPECT_EQ(m_controller.GetCurrentAnimation().reportFrame, 7);

    m_behaviour.m_timeInState = 9;
    m_controller.PlayAnimation("fire_out", true, true, -1);
    m_enemy.OnControllerAnimationEnd();
    EXPECT_EQ(m_controller.m_firing, 0);
    EXPECT_EQ(m_behaviour.m_timeInState, 0);
    EXPECT_EQ(m_behaviour.m_state, 0); // state 1 had no value: an entry 0 is added
    EXPECT_EQ(m_behaviour.m_states.count(1), 1u);

    m_controller.m_deathValue = 3;
    m_controller.PlayAnimation("death1", true, true, -1);
    m_enemy.OnControllerAnimationEnd();
    EXPECT_FALSE(m_enemy.HasCollision());
    EXPECT_EQ(m_controller.m_deathValue, 0);
    EXPECT_EQ(m_controller.m_animationEnded, 0);
}

TEST_F(EnemyController, DeathIsReportedOnce)
{
    m_controller.m_health = 20;
    m_controller.m_name = "crawler";
    m_controller.m_hitEffect = "oil1";
    CPSmartPtr<CPPhysicData> physics(new CPPhysicData(&m_enemy));
    physics->m_pushEnabled = 1;
    m_enemy.SetPhysicData(physics.Get());

    m_enemy.Damage(D3DXVECTOR3(), D3DXVECTOR3(), 5, false, 1); // quiet, but oil hurts
    EXPECT_EQ(m_controller.m_health, 15);
    EXPECT_EQ(physics->m_pushEnabled, 0);
    EXPECT_TRUE(Deaths().empty());
    m_enemy.Damage(D3DXVECTOR3(), D3DXVECTOR3(), 30, true, 0);
    m_enemy.Damage(D3DXVECTOR3(), D3DXVECTOR3(), 30, false, 0);
    EXPECT_EQ(Deaths(), (std::vector<std::vector<std::string>>{ { "crawler", "0.00", "0.00", "0.00" } }));
    EXPECT_EQ(m_controller.m_deathProcessed, 1);
    m_enemy.SetPhysicData(nullptr);
}

TEST_F(EnemyController, SuppressedReportAndGore)
{
    m_controller.m_health = 1;
    m_controller.m_reportSuppressed = 1;
    m_controller.m_gore = 1;
    m_controller.m_hitEffect = "blood1";
    m_enemy.Damage(D3DXVECTOR3(), D3DXVECTOR3(), 5, false, 0);
    EXPECT_TRUE(Deaths().empty());
    EXPECT_FALSE(m_enemy.IsVisible());
    EXPECT_EQ(m_controller.m_deathProcessed, 1);
}
