// The chase camera's process-wide setting that scripts reach.
#pragma once

// The scratch value that scripts write with SetTemp; while it is 0 the chase
// camera turns with the level's orbit angle. 1.0 at start.
extern float g_ScratchValue;
