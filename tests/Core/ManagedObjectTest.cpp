#include "Core/PGlobals.h"
#include "Core/PLiveRef.h"
#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
std::vector<std::string>* g_Destroyed = nullptr;

class CTestObject : public CPManagedObject
{
public:
    explicit CTestObject(std::string name)
        : m_name(std::move(name))
    {
    }
    ~CTestObject() override
    {
        if (g_Destroyed)
            g_Destroyed->push_back(m_name);
    }
    int32_t GetObjectSize() const override { return sizeof(CTestObject); }
    std::string GetTypeName() const override { return "CTestObject - " + m_name; }

private:
    std::string m_name;
};
}

TEST(ManagedObject, NewObjectHasCountZeroAndEndsTheObjectList)
{
    CTestObject object("a");
    EXPECT_EQ(object.GetRefCount(), 0);
    ASSERT_FALSE(GetObjectList().empty());
    EXPECT_EQ(GetObjectList().back(), &object);
    EXPECT_EQ(CPManagedObject::FindLive(object.GetId()), &object);
    EXPECT_EQ(object.GetId(), GetObjectList().size()); // position i has id i + 1
}

TEST(ManagedObject, ReleaseResetsTheCountAndFreesNothing)
{
    CTestObject object("a");
    object.AddRef();
    object.AddRef();
    object.Release();
    EXPECT_EQ(object.GetRefCount(), 0);
    object.AddRef();
    EXPECT_EQ(object.GetRefCount(), 1);
    EXPECT_EQ(object.GetTypeName(), "CTestObject - a");
}

TEST(ManagedObject, DestroyedObjectStaysListedButIsNoLongerLive)
{
    auto* object = new CTestObject("gone");
    const size_t index = GetObjectList().size() - 1;
    const uint64_t id = object->GetId();
    delete object;
    EXPECT_EQ(GetObjectList()[index], object);
    EXPECT_EQ(CPManagedObject::FindLive(id), nullptr);
    EXPECT_EQ(CPManagedObject::FindLive(0), nullptr);
    EXPECT_FALSE(CPManagedObject::IsLive(object));
    EXPECT_FALSE(CPManagedObject::IsLive(nullptr));
    CTestObject alive("alive");
    EXPECT_TRUE(CPManagedObject::IsLive(&alive));
}

TEST(ManagedObject, IdsNotGivenYetAreNotLive)
{
    CTestObject last("last");
    EXPECT_EQ(CPManagedObject::FindLive(last.GetId()), &last);
    EXPECT_EQ(CPManagedObject::FindLive(last.GetId() + 1), nullptr);
    EXPECT_EQ(CPManagedObject::FindLive(UINT64_MAX), nullptr);
}

// Many objects made and destroyed in mixed order: each address is live
// exactly while its object is.
TEST(ManagedObject, LiveAddressesFollowMixedBirthsAndDeaths)
{
    std::vector<std::unique_ptr<CTestObject>> objects;
    std::vector<const void*> gone;
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 700; ++i)
            objects.push_back(std::make_unique<CTestObject>("o"));
        for (size_t i = static_cast<size_t>(round) % 3; i < objects.size(); i += 3) {
            if (objects[i]) {
                gone.push_back(objects[i].get());
                objects[i].reset();
            }
        }
        for (const auto& object : objects) {
            if (object) {
                ASSERT_TRUE(CPManagedObject::IsLive(object.get()));
            }
        }
    }
    size_t stillGone = 0;
    for (const void* address : gone)
        stillGone += CPManagedObject::IsLive(address) ? 0 : 1;
    // An address may have been taken again by a later object.
    size_t reused = 0;
    for (const void* address : gone) {
        for (const auto& object : objects)
            reused += object.get() == address ? 1 : 0;
    }
    EXPECT_EQ(stillGone + reused, gone.size());
}

TEST(ManagedObject, AnIdIsNeverGivenTwiceNotEvenAtTheSameAddress)
{
    alignas(CTestObject) unsigned char storage[sizeof(CTestObject)];
    auto* first = new (storage) CTestObject("first");
    const uint64_t firstId = first->GetId();
    first->~CTestObject();
    auto* second = new (storage) CTestObject("second");
    EXPECT_EQ(static_cast<void*>(second), static_cast<void*>(first));
    EXPECT_GT(second->GetId(), firstId);
    EXPECT_EQ(CPManagedObject::FindLive(firstId), nullptr);
    EXPECT_EQ(CPManagedObject::FindLive(second->GetId()), second);
    second->~CTestObject();
}

TEST(SmartPtr, DroppingTheLastReferenceLeavesTheObjectAlive)
{
    CTestObject object("kept");
    CTestObject* raw = &object;
    {
        CPSmartPtr<CTestObject> first(raw);
        CPSmartPtr<CTestObject> second = first;
        EXPECT_EQ(object.GetRefCount(), 2);
    }
    EXPECT_EQ(object.GetRefCount(), 0);
    EXPECT_EQ(CPManagedObject::FindLive(raw->GetId()), raw);
    EXPECT_EQ(raw->GetTypeName(), "CTestObject - kept");
}

TEST(SmartPtr, AssignmentReleasesOldThenTakesNew)
{
    CTestObject a("a");
    CTestObject b("b");
    CPSmartPtr<CTestObject> ptr(&a);
    a.AddRef(); // a count of 2: the Release on reassignment resets it to 0
    ptr = &b;
    EXPECT_EQ(a.GetRefCount(), 0);
    EXPECT_EQ(b.GetRefCount(), 1);

    // Its own object: Release (0) then AddRef (1).
    b.AddRef();
    CPSmartPtr<CTestObject>& same = ptr;
    ptr = same;
    EXPECT_EQ(b.GetRefCount(), 1);
    EXPECT_EQ(ptr.Get(), &b);

    ptr = nullptr;
    EXPECT_EQ(b.GetRefCount(), 0);
    EXPECT_FALSE(ptr);
}

TEST(SmartPtr, ComparesByPointer)
{
    CTestObject a("a");
    CTestObject b("b");
    const CPSmartPtr<CTestObject> a1(&a);
    const CPSmartPtr<CTestObject> a2(&a);
    const CPSmartPtr<CTestObject> other(&b);
    const CPSmartPtr<CTestObject> null1;
    const CPSmartPtr<CTestObject> null2(nullptr);
    EXPECT_TRUE(a1 == a2);
    EXPECT_FALSE(a1 == other);
    EXPECT_TRUE(null1 == null2);
    EXPECT_TRUE(a1);
    EXPECT_FALSE(null1);
}

// A live reference counts like CPSmartPtr while its object lives; once the
// object is destroyed it reads as null and never touches it again (the
// sanitizer build catches a touch).
TEST(LiveRef, CountsWhileItsObjectLivesAndLetsGoOfADestroyedOne)
{
    auto a = std::make_unique<CTestObject>("a");
    CTestObject b("b");
    CPLiveRef<CTestObject> ref(a.get());
    {
        const CPLiveRef<CTestObject> copy = ref;
        EXPECT_EQ(copy.Get(), a.get());
        EXPECT_EQ(a->GetRefCount(), 2);
    }
    EXPECT_EQ(a->GetRefCount(), 0); // Release resets the count
    ref = a.get();
    EXPECT_EQ(a->GetRefCount(), 1);

    a.reset();
    EXPECT_EQ(ref.Get(), nullptr);
    EXPECT_FALSE(ref);
    const CPLiveRef<CTestObject> copyOfEnded = ref;
    EXPECT_FALSE(copyOfEnded);

    ref = &b;
    EXPECT_EQ(ref.Get(), &b);
    EXPECT_EQ(b.GetRefCount(), 1);
    ref = nullptr;
    EXPECT_EQ(b.GetRefCount(), 0);
    EXPECT_FALSE(ref);
}

TEST(ManagedObject, DeletePendingObjectsDestroysInListOrder)
{
    std::vector<std::string> destroyed;
    g_Destroyed = &destroyed;
    DeletePendingObjects(); // empty list: nothing happens
    EXPECT_TRUE(destroyed.empty());

    auto& pending = GetPendingDeleteList();
    pending.push_back(new CTestObject("one"));
    pending.push_back(nullptr);
    pending.push_back(new CTestObject("two"));
    pending.push_back(new CTestObject("three"));
    DeletePendingObjects();
    g_Destroyed = nullptr;

    EXPECT_EQ(destroyed, (std::vector<std::string>{ "one", "two", "three" }));
    EXPECT_TRUE(GetPendingDeleteList().empty());
}

TEST(Globals, AccessorsReturnThePointersUnchanged)
{
    EXPECT_EQ(GetLevel(), nullptr);
    auto* fake = reinterpret_cast<CPLevel*>(0x1000);
    g_Level = fake;
    EXPECT_EQ(GetLevel(), fake);
    g_Level = nullptr;
}
