// Arbitrary bytes as a vehicle description: parsed into a race vehicle's
// description document, then the car is set up on a small world (which reads
// the description, wheel parts, sensors and lights), driven and stepped once.
// A car that cannot be set up must say so and leave no controller behind.
#include "Core/PGameObject.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicWorld.h"
#include "Vehicles/PPlayer.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = 1;
    sizes.sensorsCount = 8;
    sizes.constraintSetsCount = 1;
    const D3DXVECTOR4 gravity(0.0f, 0.0f, -9.8f, 0.0f);
    std::unique_ptr<CPPhysicWorld> world(CPPhysicWorld::Create(&sizes, nullptr, &gravity));
    if (!world)
        std::abort();

    CPPlayer player;
    std::vector<std::unique_ptr<CPGameObject>> wheels;
    for (int i = 0; i < 6; ++i) {
        wheels.push_back(std::make_unique<CPGameObject>("w" + std::to_string(i)));
        player.AddChild(wheels.back().get());
    }
    CPPhysicData physics(&player);
    physics.SetBoxInertia(1.0f, 2.0f, 3.0f, 10.0f);
    physics.m_rigidBody = world->CreateRigidBody();
    player.SetPhysicData(&physics);
    const std::string text(reinterpret_cast<const char*>(data), size);
    player.GetDescription().Parse(text.c_str());

    auto car = std::make_unique<CPCar>(&player);
    const bool built = car->Init(world.get(), 1);
    if (built && (car->m_wheelCount < 1 || car->m_wheelCount > 6 || !car->GetControllerNode()))
        std::abort();
    if (built) {
        car->SetControls(1.0f, 0.5f);
        car->OnStep(car->GetControllerNode(), 1.0f / 60.0f);
    }
    CPPhysicControllerNode* node = car->GetControllerNode();
    car.reset();
    if (node && node->m_controller)
        std::abort();
    player.SetPhysicData(nullptr);
    return 0;
}
