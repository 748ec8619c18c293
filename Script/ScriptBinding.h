// What every script function shares: how it reads its arguments, hands back
// its results and passes engine objects to and from the scripts.
//
// - Arguments are read by absolute stack position (1 is the first); a missing
//   argument reads as nil. Numbers: 0 for anything that is neither a number
//   nor a numeric string; integers are truncated toward zero, floats narrowed
//   to 32 bits. Text: checked reads raise Lua's own argument error for
//   anything but a string or a number, unchecked reads give "" for it.
//   Booleans: only nil and false are false.
// - Engine objects travel as light userdata holding the object's id (never
//   reused, see CPManagedObject::GetId) and as decimal text of the same id
//   (HandleToString/StringToHandle). A handle that names no live object, or
//   an object of another class than the function wants, reads as null.
// - A Lua error leaves a function through longjmp, past every C++ destructor:
//   a function does all its checked reads before it creates a C++ object, and
//   the tables register every function through ScriptGuard, which turns a C++
//   exception into a Lua error at the boundary.
#pragma once

#include "Core/PManagedObject.h"

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// --- argument readers -----------------------------------------------------

double ScriptReadNumber(lua_State* L, int index);
// Truncated toward zero (2.9 gives 2, -2.9 gives -2); NaN gives 0 and values
// beyond 32 bits the nearest limit.
int32_t ScriptReadInt(lua_State* L, int index);
float ScriptReadFloat(lua_State* L, int index);
// luaL_checknumber, truncated as ScriptReadInt truncates.
int32_t ScriptCheckInt(lua_State* L, int index);
bool ScriptReadBool(lua_State* L, int index);
// Unchecked text: a string, a number as its text, or "" for anything else.
const char* ScriptReadText(lua_State* L, int index);
// Checked text: a string or a number as its text; Lua's argument error for
// anything else. `length`, when given, receives the byte count.
const char* ScriptCheckText(lua_State* L, int index, size_t* length = nullptr);
// The id a handle holds (0 for anything but light userdata); for passing a
// handle on.
uint64_t ScriptReadHandle(lua_State* L, int index);
// The object a handle names, when it is live and of class T; null otherwise.
template <class T>
T* ScriptReadObject(lua_State* L, int index)
{
    CPManagedObject* object = CPManagedObject::FindLive(ScriptReadHandle(L, index));
    return object ? dynamic_cast<T*>(object) : nullptr;
}

// --- result pushers -------------------------------------------------------

// A handle; null gives a handle of value 0 (a userdata, true in a condition).
void ScriptPushObject(lua_State* L, const CPManagedObject* object);
void ScriptPushHandle(lua_State* L, uint64_t id);

// One element of a list or a field of a record.
struct ScriptValue
{
    enum class Kind
    {
        Number,
        Text,
        Boolean,
        Handle
    };

    ScriptValue(double value);
    ScriptValue(int32_t value);
    ScriptValue(std::string value);
    ScriptValue(const char* value);
    ScriptValue(bool value);
    ScriptValue(const CPManagedObject* object);

    Kind kind;
    double number = 0.0;
    std::string text;
    uint64_t handle = 0;
};

void ScriptPushValue(lua_State* L, const ScriptValue& value);

// A table {1 = first, ..., n = last}. With `withCount` the count n is pushed
// first. Returns the number of results pushed.
int ScriptPushList(lua_State* L, const std::vector<ScriptValue>& items, bool withCount);
// A table of tables {i = {1 = field, ...}}, as ScriptPushList does it.
int ScriptPushRecords(lua_State* L, const std::vector<std::vector<ScriptValue>>& records, bool withCount);

// --- times ----------------------------------------------------------------

// A time in seconds as whole minutes, whole seconds and hundredths.
struct ScriptTime
{
    int32_t minutes;
    int32_t seconds;
    int32_t hundredths;
};
ScriptTime SplitTime(float seconds);
// The three parts of SplitTime as three numbers; returns 3.
int ScriptPushTime(lua_State* L, float seconds);

// --- the C++ boundary -----------------------------------------------------

// Copies an exception's text into a fixed buffer, cut to fit.
void ScriptCopyErrorText(char* out, size_t size, const char* text) noexcept;
// Raises the Lua error for a C++ exception that escaped a function.
int ScriptRaiseCppError(lua_State* L, const char* what);

// Runs a function; a C++ exception becomes a Lua error once the handler has
// finished, so no C++ frame is left by longjmp while it is unwinding.
template <lua_CFunction Function>
int ScriptGuard(lua_State* L)
{
    char what[160];
    try {
        return Function(L);
    } catch (const std::exception& error) {
        ScriptCopyErrorText(what, sizeof(what), error.what());
    } catch (...) {
        ScriptCopyErrorText(what, sizeof(what), "unknown exception");
    }
    return ScriptRaiseCppError(L, what);
}
