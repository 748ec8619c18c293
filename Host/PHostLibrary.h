// The HOST table: what only the host can do for a script. Scripts that test
// the engine use it to run frames, set the clocks and the random seed, reach
// script objects and files, and see what was handed to the system shell.
//
//   HOST.frame(dt [, n])        runs n frames (default 1) of dt seconds each:
//                               the full time, frame time and frame counter
//                               advance and every task runs once per frame.
//   HOST.set_time_ms(ms)        fixes the millisecond timer (timeGetTime).
//   HOST.set_local_time(year, month, dayOfWeek, day, hour, minute, second,
//                       milliseconds)
//                               fixes the local time (GetLocalTime).
//   HOST.seed(n)                seeds the engine's random generator.
//   HOST.script(name [, categories])
//                               the handle of the script object of that
//                               name; created, registered and running on
//                               first use. `categories` is one category name
//                               or a list of names.
//   HOST.new_object(name [, parent [, handler]])
//                               the handle of a new plain game object that the
//                               host owns: a child of `parent` and handled by
//                               the script object `handler` when given.
//   HOST.delete_object(object)  destroys an object that new_object made (its
//                               handles go stale); false for anything else.
//   HOST.tasks()                the task list in run order, a list of records
//                               {handle, order}.
//   HOST.read_file(path)        the bytes of a file under the game root, or
//                               nil when it cannot be read.
//   HOST.write_file(path, bytes)
//                               writes a file under the game root (making
//                               its directories); true when it succeeded.
//                               A failed write leaves no directory it made.
//                               Paths are game paths: "..", a leading
//                               separator or a drive stay at the root
//                               ("../x" is "x" in the root). A path with a
//                               NUL byte, or one that a symbolic link leads
//                               out of the root, raises an error naming it.
//   HOST.shell_log()            the calls handed to the system shell so far,
//                               a list of records {verb, file, parameters,
//                               directory, show command name}. The host
//                               only records them (VELTRIX_SHELL=record)
//                               unless the environment asks otherwise.
//   HOST.dump(object)           the canonical text of the object's tree, one
//                               line per object in child order (see
//                               PHostDump.h); nil for anything but an object.
//   HOST.mouse_move(x, y)       the pointer moved to (x, y), screen pixels:
//                               stored in the action map and reported to the
//                               interface screens.
//   HOST.click([button])        press and release of a mouse button (default
//                               0) at the pointer, on the topmost visible
//                               window or button of every active screen.
//   HOST.key(name, down)        stores the state of the named key; false for
//                               a name the key table lacks.
//   HOST.key_down(name)         the stored state of the named key.
//   HOST.type(text)             queues the text's bytes as typed characters.
//   HOST.typed()                the typed character codes since the last
//                               call, a list of numbers.
//   HOST.commands(name)         the commands the script object of that name
//                               received since the last call, oldest first:
//                               a list of records {command, parameter 1,
//                               ...}; nil when no script object has the name.
//   HOST.set_controls(vehicle, throttle, steering)
//                               throttle and steering for a race vehicle, as
//                               its driver sets them; false for a handle that
//                               is not a race vehicle.
//   HOST.state_hash()           16 hexadecimal digits fingerprinting the race:
//                               every vehicle's pose and the race state (see
//                               PHostRaceState.h for what it covers).
//   HOST.player()               the handle of the level's player vehicle; no
//                               result without a level or a player.
//   HOST.vehicles()             the handles of the level's vehicle list in
//                               its order (the opponents, then the player's
//                               vehicle only in a "rolling" level); an empty
//                               list without a level.
//   HOST.attach_enemy(object, type)
//                               hangs an enemy controller of that type
//                               ("melee", "explosion", "hmgun", "rocket",
//                               "plasma", "mgun", "lgun", "shotgun") on the
//                               object; from the next frame it walks toward
//                               the followed vehicle and attacks it. False for
//                               an unknown type, anything but an object, or
//                               an object that is already an enemy.
//
// Paths are game paths: '\' or '/', any letter case, never outside the root.
// Argument errors name the function as scripts call it, however it was
// called: "bad argument #1 to 'HOST.frame' (number expected, got string)".
// The interface only grows: later additions keep these functions as they are.
#pragma once

#include <lua.hpp>

class CPGameHost;

// Creates the global table HOST; its functions act on `host`.
void OpenHostLibrary(lua_State* L, CPGameHost& host);
