// A level made by a test inside the host: a player vehicle with a car that
// the level follows, and a chase camera whose main camera can be aimed.
// Everything is torn down in the engine's order: the level first, then the
// vehicle, its car and the camera rig.
#pragma once

#include "Core/PGlobals.h"
#include "Race/PCamera.h"
#include "Race/PLevel.h"
#include "Render/PPerspectiveCamera.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <memory>

struct RaceStage
{
    RaceStage()
    {
        player->SetCar(car.get());
        level->player = player.get();
        level->followedVehicle = player.get();
        level->camera = camera;
    }

    ~RaceStage()
    {
        level.reset();
        player.reset();
        car.reset();
        CPPerspectiveCamera* main = camera->mainCamera.Get();
        CPPerspectiveCamera* second = camera->secondCamera.Get();
        delete camera;
        delete main;
        delete second;
        g_ActiveCamera = nullptr;
    }

    RaceStage(const RaceStage&) = delete;
    RaceStage& operator=(const RaceStage&) = delete;

    // The main camera looks from eye to target, z up, with a vertical field
    // of view in radians, near 1 and far 1000.
    void Aim(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float fieldOfView,
             const D3DXVECTOR3& up = D3DXVECTOR3(0.0f, 0.0f, 1.0f))
    {
        CPPerspectiveCamera& view = *camera->mainCamera;
        view.m_eye = eye;
        view.m_target = target;
        view.m_up = up;
        view.m_fieldOfView = fieldOfView;
        view.m_near = 1.0f;
        view.m_far = 1000.0f;
        view.m_viewDirty = 1;
        view.m_projectionDirty = 1;
        view.Update();
    }

    // The vehicle at a place, with one box of half size 2 as its own box
    // and its part.
    void PlacePlayer(const D3DXVECTOR3& position)
    {
        const CPBoundingBox box(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(2.0f, 2.0f, 2.0f));
        player->SetBoundingBox(box);
        player->GetPartBoxes().assign(1, box);
        player->SetPosition(position);
        player->UpdateTransform();
    }

    std::unique_ptr<CPLevel> level = std::make_unique<CPLevel>();
    std::unique_ptr<CPPlayer> player = std::make_unique<CPPlayer>();
    std::unique_ptr<CPCar> car = std::make_unique<CPCar>(player.get());
    CPCamera* camera = new CPCamera();
};
