// What the engine relies on of the game host, which lives outside the engine
// (the headless host in Host/ does it for tests and tools):
//  1. start-up: create the Direct3D device inside the renderer, the sound
//     device and listener, and the global objects (the task manager with the
//     game window's handle, the command dispatcher, the sound manager and its
//     cache, the music player, the physics manager, the two video players,
//     the render-object manager, the effect, texture, material and animation
//     caches, the particle manager); load "config.cfg" and apply the sound
//     volume before sounds are created;
//  2. create the script objects and register them by name and categories;
//  3. each frame: advance the full time, write the frame time and the frame
//     counter, run Update of every task in list order, drop finished tasks;
//  4. draw the render queue's layers, then the sky and the interfaces, present;
//  5. after a lost device: OnLostDevice on every device object, Reset,
//     OnResetDevice on every device object;
//  6. step the physics world once per frame from the physics manager's Update;
//  7. run the music task and the video players' frame copy;
//  8. register the particle emitters, templates and prototypes by name.
#pragma once

#include <cstdint>

// Length of the current frame in seconds; every per-frame operation reads it.
extern float g_FrameTime;
// Seconds since start; animated bodies pick their frame by it.
extern double g_FullTime;
// Frames run so far.
extern uint32_t g_FrameCounter;
// Seconds the host adds each frame to the race camera's orbit angle.
extern float g_SecondTimeStep;
