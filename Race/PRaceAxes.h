// The race logic's two process-wide coordinate frames. Each is built in the
// reset state at start-up; nothing reads them.
#pragma once

#include "Core/PAxisSystem.h"

extern CPAxisSystem g_LevelAxisSystem;
extern CPAxisSystem g_CameraAxisSystem;
