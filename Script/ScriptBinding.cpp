#include "Script/ScriptBinding.h"

#include "Core/PUtils.h"

#include <cstring>
#include <utility>

double ScriptReadNumber(lua_State* L, int index)
{
    return lua_tonumber(L, index);
}

int32_t ScriptReadInt(lua_State* L, int index)
{
    return TruncateToInt(lua_tonumber(L, index));
}

float ScriptReadFloat(lua_State* L, int index)
{
    return static_cast<float>(lua_tonumber(L, index));
}

int32_t ScriptCheckInt(lua_State* L, int index)
{
    return TruncateToInt(luaL_checknumber(L, index));
}

bool ScriptReadBool(lua_State* L, int index)
{
    return lua_toboolean(L, index) != 0;
}

const char* ScriptReadText(lua_State* L, int index)
{
    const char* text = lua_tostring(L, index);
    return text ? text : "";
}

const char* ScriptCheckText(lua_State* L, int index, size_t* length)
{
    return luaL_checklstring(L, index, length);
}

uint64_t ScriptReadHandle(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA)
        return 0;
    return reinterpret_cast<uintptr_t>(lua_touserdata(L, index));
}

void ScriptPushObject(lua_State* L, const CPManagedObject* object)
{
    ScriptPushHandle(L, object ? object->GetId() : 0);
}

void ScriptPushHandle(lua_State* L, uint64_t id)
{
    lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(id)));
}

ScriptValue::ScriptValue(double value)
    : kind(Kind::Number)
    , number(value)
{
}

ScriptValue::ScriptValue(int32_t value)
    : kind(Kind::Number)
    , number(value)
{
}

ScriptValue::ScriptValue(std::string value)
    : kind(Kind::Text)
    , text(std::move(value))
{
}

ScriptValue::ScriptValue(const char* value)
    : kind(Kind::Text)
    , text(value ? value : "")
{
}

ScriptValue::ScriptValue(bool value)
    : kind(Kind::Boolean)
    , number(value ? 1.0 : 0.0)
{
}

ScriptValue::ScriptValue(const CPManagedObject* object)
    : kind(Kind::Handle)
    , handle(object ? object->GetId() : 0)
{
}

void ScriptPushValue(lua_State* L, const ScriptValue& value)
{
    switch (value.kind) {
    case ScriptValue::Kind::Number:
        lua_pushnumber(L, value.number);
        break;
    case ScriptValue::Kind::Text:
        lua_pushlstring(L, value.text.data(), value.text.size());
        break;
    case ScriptValue::Kind::Boolean:
        lua_pushboolean(L, value.number != 0.0);
        break;
    case ScriptValue::Kind::Handle:
        ScriptPushHandle(L, value.handle);
        break;
    }
}

namespace
{
// Fills the table at `table` (an absolute position) with items keyed 1..n.
void FillList(lua_State* L, int table, const std::vector<ScriptValue>& items)
{
    for (size_t i = 0; i < items.size(); ++i) {
        lua_pushnumber(L, static_cast<double>(i + 1));
        ScriptPushValue(L, items[i]);
        lua_settable(L, table);
    }
}

// Pushes the count when asked, then a new table; returns its position. The
// table is addressed where it actually stands, so arguments left on the
// stack are never written into.
int BeginList(lua_State* L, size_t count, bool withCount)
{
    if (withCount)
        lua_pushnumber(L, static_cast<double>(count));
    lua_newtable(L);
    return lua_gettop(L);
}
}

int ScriptPushList(lua_State* L, const std::vector<ScriptValue>& items, bool withCount)
{
    const int table = BeginList(L, items.size(), withCount);
    FillList(L, table, items);
    return withCount ? 2 : 1;
}

int ScriptPushRecords(lua_State* L, const std::vector<std::vector<ScriptValue>>& records, bool withCount)
{
    const int table = BeginList(L, records.size(), withCount);
    for (size_t i = 0; i < records.size(); ++i) {
        lua_pushnumber(L, static_cast<double>(i + 1));
        lua_newtable(L);
        FillList(L, lua_gettop(L), records[i]);
        lua_settable(L, table);
    }
    return withCount ? 2 : 1;
}

ScriptTime SplitTime(float time)
{
    // In 32-bit floats, as the engine keeps its times.
    ScriptTime split;
    const int32_t whole = TruncateToInt(time);
    split.seconds = whole;
    split.minutes = 0;
    if (whole >= 60) {
        split.minutes = TruncateToInt(static_cast<float>(whole) * (1.0f / 60.0f));
        split.seconds = whole - 60 * split.minutes;
    }
    split.hundredths = TruncateToInt((time - static_cast<float>(whole)) * 100.0f);
    return split;
}

int ScriptPushTime(lua_State* L, float seconds)
{
    const ScriptTime split = SplitTime(seconds);
    lua_pushnumber(L, split.minutes);
    lua_pushnumber(L, split.seconds);
    lua_pushnumber(L, split.hundredths);
    return 3;
}

void ScriptCopyErrorText(char* out, size_t size, const char* text) noexcept
{
    if (size == 0)
        return;
    const size_t length = text ? std::strlen(text) : 0;
    const size_t copied = length < size - 1 ? length : size - 1;
    if (copied)
        std::memcpy(out, text, copied);
    out[copied] = '\0';
}

int ScriptRaiseCppError(lua_State* L, const char* what)
{
    return luaL_error(L, "C++ exception: %s", what);
}
