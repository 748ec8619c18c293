// The host's input: pointer movement, mouse clicks, key states and typed
// characters, as a headless run's scripts report them (HOST.mouse_move,
// HOST.click, HOST.key, HOST.type). The pointer goes into the action map and
// to the interfaces; a click presses and releases the topmost visible window
// or button under the pointer on every active interface, newest first; key
// states are kept by key name; typed characters wait until the scripts take
// them.
#pragma once

#include <cstdint>
#include <string>

// Forgets key states and typed characters.
void ResetHostInput();
// Writes the pointer position into the action map and reports the movement
// to the interfaces.
void HostMouseMove(float x, float y);
// Press and release of a mouse button at the pointer position.
void HostClick(int32_t button);
// Stores a key's state; false for a name the key table lacks.
bool HostKey(const std::string& name, bool down);
bool HostKeyDown(const std::string& name);
// Queues the bytes of the text as typed character codes.
void HostType(const std::string& text);
// The typed characters since the last call, oldest first.
std::string HostTakeTyped();
