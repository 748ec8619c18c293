// The shared calling convention: argument readers, result pushers, list and
// record tables, the time split and the C++ boundary, on a bare Lua state.
#include "Script/ScriptBinding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace
{
class LuaTest : public ::testing::Test
{
protected:
    lua_State* L = luaL_newstate();
    ~LuaTest() override { lua_close(L); }

    // Evaluates an expression and leaves its value at stack position 1.
    void Push(const char* expression)
    {
        lua_settop(L, 0);
        const std::string chunk = std::string("return ") + expression;
        ASSERT_EQ(luaL_loadstring(L, chunk.c_str()), 0) << expression;
        ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << expression;
    }

    // Calls a C function with the values of the expressions as arguments;
    // false with the error text in `error` when it raised a Lua error.
    bool Call(lua_CFunction function, const char* arguments, std::string& error)
    {
        lua_settop(L, 0);
        const std::string chunk = std::string("local f = ...; return f(") + arguments + ")";
        EXPECT_EQ(luaL_loadstring(L, chunk.c_str()), 0);
        lua_pushcfunction(L, function);
        if (lua_pcall(L, 1, LUA_MULTRET, 0) == 0)
            return true;
        error = lua_tostring(L, -1);
        return false;
    }
};

class Wheel : public CPManagedObject
{
public:
    int32_t GetObjectSize() const override { return sizeof(Wheel); }
    std::string GetTypeName() const override { return "Wheel"; }
};

class Door : public CPManagedObject
{
public:
    int32_t GetObjectSize() const override { return sizeof(Door); }
    std::string GetTypeName() const override { return "Door"; }
};

int ReadCheckedText(lua_State* L)
{
    lua_pushstring(L, ScriptCheckText(L, 1));
    return 1;
}

int Throws(lua_State*)
{
    throw std::runtime_error("wheel fell off");
}

int PushesList(lua_State* L)
{
    return ScriptPushList(L, { ScriptValue(1.5), ScriptValue("two"), ScriptValue(true) }, true);
}

int PushesRecords(lua_State* L)
{
    return ScriptPushRecords(L, { { ScriptValue("ann"), ScriptValue(int32_t { 3 }) }, { ScriptValue("bob") } }, false);
}
}

TEST_F(LuaTest, NumbersAreTruncatedOrNarrowed)
{
    const struct
    {
        const char* expression;
        int32_t integer;
        float real;
    } cases[] = {
        { "2.9", 2, 2.9f }, { "-2.9", -2, -2.9f }, { "-2.7", -2, -2.7f }, { "4.9", 4, 4.9f },
        { "' 12.5 '", 12, 12.5f }, { "'0x10'", 16, 16.0f }, { "'abc'", 0, 0.0f }, { "nil", 0, 0.0f },
        { "true", 0, 0.0f }, { "{}", 0, 0.0f }, { "1e20", 2147483647, 1e20f }, { "-1e20", -2147483647 - 1, -1e20f },
        { "0/0", 0, NAN },
    };
    for (const auto& c : cases) {
        Push(c.expression);
        EXPECT_EQ(ScriptReadInt(L, 1), c.integer) << c.expression;
        const float real = ScriptReadFloat(L, 1);
        if (std::isnan(c.real))
            EXPECT_TRUE(std::isnan(real)) << c.expression;
        else
            EXPECT_EQ(real, c.real) << c.expression;
    }
    // A missing argument reads as nil.
    EXPECT_EQ(ScriptReadInt(L, 5), 0);
}

TEST_F(LuaTest, BooleansAreFalseOnlyForNilAndFalse)
{
    const struct
    {
        const char* expression;
        bool value;
    } cases[] = { { "0", true }, { "''", true }, { "{}", true }, { "true", true }, { "nil", false }, { "false", false } };
    for (const auto& c : cases) {
        Push(c.expression);
        EXPECT_EQ(ScriptReadBool(L, 1), c.value) << c.expression;
    }
}

TEST_F(LuaTest, UncheckedTextAcceptsAnything)
{
    const struct
    {
        const char* expression;
        const char* text;
    } cases[] = { { "'abc'", "abc" }, { "5", "5" }, { "2.5", "2.5" }, { "nil", "" }, { "{}", "" }, { "false", "" } };
    for (const auto& c : cases) {
        Push(c.expression);
        EXPECT_STREQ(ScriptReadText(L, 1), c.text) << c.expression;
    }
}

TEST_F(LuaTest, CheckedTextRaisesTheArgumentError)
{
    std::string error;
    ASSERT_TRUE(Call(ReadCheckedText, "5", error));
    EXPECT_STREQ(lua_tostring(L, -1), "5");
    for (const char* bad : { "nil", "", "{}", "true" }) {
        EXPECT_FALSE(Call(ReadCheckedText, bad, error)) << bad;
        EXPECT_NE(error.find("bad argument #1"), std::string::npos) << error;
    }
}

TEST_F(LuaTest, HandlesNameOnlyLiveObjectsOfTheWantedClass)
{
    Wheel* wheel = new Wheel;
    Door door;

    ScriptPushObject(L, wheel);
    EXPECT_EQ(ScriptReadObject<Wheel>(L, -1), wheel);
    EXPECT_EQ(ScriptReadObject<CPManagedObject>(L, -1), wheel);
    EXPECT_EQ(ScriptReadObject<Door>(L, -1), nullptr); // wrong class
    EXPECT_EQ(ScriptReadHandle(L, -1), wheel->GetId());

    delete wheel;
    EXPECT_EQ(ScriptReadObject<Wheel>(L, -1), nullptr); // stale

    // An id never given, an object's address instead of its id, a full
    // userdata and a number are all null.
    ScriptPushHandle(L, door.GetId() + 1000000);
    EXPECT_EQ(ScriptReadObject<CPManagedObject>(L, -1), nullptr);
    lua_pushlightuserdata(L, &door);
    EXPECT_EQ(ScriptReadObject<CPManagedObject>(L, -1), nullptr);
    *static_cast<uint64_t*>(lua_newuserdata(L, sizeof(uint64_t))) = door.GetId();
    EXPECT_EQ(ScriptReadObject<Door>(L, -1), nullptr);
    lua_pushnumber(L, static_cast<double>(door.GetId()));
    EXPECT_EQ(ScriptReadHandle(L, -1), 0u);

    // A null object is a handle of value 0, true in a condition.
    ScriptPushObject(L, nullptr);
    EXPECT_EQ(lua_type(L, -1), LUA_TLIGHTUSERDATA);
    EXPECT_TRUE(lua_toboolean(L, -1));
}

TEST_F(LuaTest, ListsAndRecords)
{
    std::string error;
    // Called with arguments: the table is filled where it stands, the
    // arguments are left alone.
    ASSERT_TRUE(Call(PushesList, "{}, {}", error));
    ASSERT_EQ(lua_gettop(L), 2);
    EXPECT_EQ(lua_tonumber(L, 1), 3);
    ASSERT_TRUE(lua_istable(L, 2));
    EXPECT_EQ(lua_objlen(L, 2), 3u);
    lua_rawgeti(L, 2, 1);
    EXPECT_EQ(lua_tonumber(L, -1), 1.5);
    lua_rawgeti(L, 2, 2);
    EXPECT_STREQ(lua_tostring(L, -1), "two");
    lua_rawgeti(L, 2, 3);
    EXPECT_EQ(lua_type(L, -1), LUA_TBOOLEAN);

    const char* check = "local f = ...; local t = f(); return #t == 2 and t[1][1] == 'ann' and t[1][2] == 3 "
                        "and t[2][1] == 'bob' and t[2][2] == nil";
    lua_settop(L, 0);
    ASSERT_EQ(luaL_loadstring(L, check), 0);
    lua_pushcfunction(L, PushesRecords);
    ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0) << lua_tostring(L, -1);
    EXPECT_TRUE(lua_toboolean(L, -1));
}

TEST_F(LuaTest, TimesSplitIntoMinutesSecondsHundredths)
{
    const struct
    {
        float seconds;
        int32_t minutes, wholeSeconds, hundredths;
    } cases[] = {
        { 0.0f, 0, 0, 0 }, { 59.99f, 0, 59, 99 }, { 60.0f, 1, 0, 0 }, { 75.5f, 1, 15, 50 },
        { 3600.25f, 60, 0, 25 }, { 125.129f, 2, 5, 12 }, { NAN, 0, 0, 0 },
    };
    for (const auto& c : cases) {
        const ScriptTime split = SplitTime(c.seconds);
        EXPECT_EQ(split.minutes, c.minutes) << c.seconds;
        EXPECT_EQ(split.seconds, c.wholeSeconds) << c.seconds;
        EXPECT_EQ(split.hundredths, c.hundredths) << c.seconds;
    }
    EXPECT_EQ(ScriptPushTime(L, 75.5f), 3);
    EXPECT_EQ(lua_tonumber(L, -3), 1);
    EXPECT_EQ(lua_tonumber(L, -2), 15);
    EXPECT_EQ(lua_tonumber(L, -1), 50);
}

TEST_F(LuaTest, CppExceptionsBecomeLuaErrors)
{
    std::string error;
    EXPECT_FALSE(Call(ScriptGuard<Throws>, "", error));
    EXPECT_NE(error.find("wheel fell off"), std::string::npos) << error;
}
