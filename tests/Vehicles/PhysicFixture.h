// Helpers shared by the simulator tests: worlds that free themselves, the
// game's pool sizes, a log sink that keeps what it is given, and float checks
// for four-float vectors.
#pragma once

#include "Vehicles/PPhysicWorld.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using WorldPtr = std::unique_ptr<CPPhysicWorld>;

inline CPPhysicPoolSizes GamePoolSizes()
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = 500;
    sizes.animatedBodiesCount = 1000;
    sizes.rigidParticleCount = 500;
    sizes.constraintSetsCount = 50;
    sizes.overlappedPairsCount = 1500;
    sizes.geometriesCount = 5000;
    sizes.constraintsCount = 150;
    sizes.constraintGroupsCount = 150;
    sizes.constraintBufferSize = 10;
    sizes.sensorsCount = 1000;
    sizes.terrainNodesStart = 200;
    sizes.terrainNodesGrowBy = -1;
    return sizes;
}

inline WorldPtr MakeWorld(const CPPhysicPoolSizes& sizes = CPPhysicPoolSizes(),
                          CPPhysicAllocator* allocator = nullptr)
{
    const D3DXVECTOR4 gravity(0.0f, 0.0f, -9.8f, 0.0f);
    return WorldPtr(CPPhysicWorld::Create(&sizes, allocator, &gravity));
}

// Keeps every message the world prints.
struct LogCapture
{
    static std::vector<std::string>& Messages()
    {
        static std::vector<std::string> messages;
        return messages;
    }
    static void Sink(const char* message) { Messages().push_back(message); }
};

inline void ExpectNear(const D3DXVECTOR4& actual, const D3DXVECTOR4& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

inline void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

inline void ExpectDiagonal(const CPPhysicTensor& tensor, float xx, float yy, float zz)
{
    ExpectNear(tensor.m_rows[0], D3DXVECTOR4(xx, 0.0f, 0.0f, 0.0f));
    ExpectNear(tensor.m_rows[1], D3DXVECTOR4(0.0f, yy, 0.0f, 0.0f));
    ExpectNear(tensor.m_rows[2], D3DXVECTOR4(0.0f, 0.0f, zz, 0.0f));
}
