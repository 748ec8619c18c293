// What the race vehicle's code sends out as it runs: commands to named
// script objects, particle emissions and named sounds. Each does nothing
// while its manager does not exist.
#pragma once

#include "Platform/D3DX9Math.h"

#include <string>

struct CPParticleEmitDesc;

namespace vehicle
{
void Send(const char* target, const char* command, const std::string& params);
void Emit(const CPParticleEmitDesc& record);
// Plays the sound registered under the name from its start (stopped and
// rewound first when it is playing), placed at the point when one is given
// (zero velocity, distances 0 to 200). False when no sound is registered.
bool PlayNamed(const char* name, const D3DXVECTOR3* point);
}
