// The host's sound start-up and shut-down: the DirectSound device with its
// primary buffer (format from the configuration values "channels",
// "frequency" and "bitrate") and 3D listener, the sound cache and manager
// (published in g_SoundManager, at the configured sound volume) and the music
// task (published in g_Music, at the configured music volume, and listed in
// the task manager when there is one).
#pragma once

#include "Platform/Win32.h"

// False when there is no sound device; the manager, cache and music player
// exist all the same, and every sound then fails to load.
bool CreateHostSound(HWND window);
// Destroys what CreateHostSound made and clears the global pointers.
void DestroyHostSound();
// Lists the music task again, after a frame's tasks have run, when a script's
// KillAllTasks has ended it while music waits to be run or plays: a later
// PlayMusic still starts and a playing file still loops. Music the script
// stopped stays stopped.
void KeepHostMusicListed();
