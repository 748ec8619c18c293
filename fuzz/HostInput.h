// What a fuzz input leaves in the headless host's long-lived objects, taken
// back before the objects the input made end (fuzz/InputObjects.h).
#pragma once

#include "Host/PGameHost.h"
#include "Host/PScriptObject.h"
#include "Race/PAIVehicle.h"
#include "Render/PBaseCamera.h"
#include "Render/PParticleManager.h"
#include "Render/PRender.h"
#include "fuzz/InputObjects.h"

namespace fuzz
{
// Reads and forgets the commands sent to the game's script objects.
inline void DrainCommands(CPGameHost& host)
{
    for (const CPGameHost::ScriptObjectSpec& spec : CPGameHost::GetGameScriptObjects()) {
        CPScriptObject* object = host.GetScriptObject(spec.name);
        while (object->GetCommandCount() > 0)
            object->SetNextCommand();
        object->TakeReceived();
    }
}

// What a level leaves in the host's objects, cleared as stopping it would
// (the render rings' record of its bodies, the active camera, the
// opponents' slots, the particle systems), without the records of released
// geometry that stopping keeps for good; and the commands it sent.
inline void ClearLevelTraces(CPGameHost& host)
{
    if (CPRender* render = GetRender())
        render->ForgetLevelBodies();
    if (CPAIVehicleManager* opponents = GetAIVehicleManager())
        opponents->ClearVehicles();
    if (CPParticleManager* particles = GetParticleManager())
        particles->Reset();
    DrainCommands(host);
}

// The cameras the render system's layers hold are owned where they were
// made (the render system's screen camera, the menu camera of the camera
// bindings), which end them when they make the next one: they are kept.
inline void KeepLayerCameras(InputObjects& objects)
{
    if (CPRender* render = GetRender()) {
        for (const auto& layer : render->m_layers)
            objects.Keep(layer.second.m_camera.Get());
    }
}
}
