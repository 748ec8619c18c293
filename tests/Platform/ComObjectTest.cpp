#include "Platform/ComObject.h"

#include <gtest/gtest.h>

namespace
{
const IID kIidFirst = { 0x7E17C001, 0, 0, { 1, 2, 3, 4, 5, 6, 7, 8 } };
const IID kIidSecond = { 0x7E17C002, 0, 0, { 1, 2, 3, 4, 5, 6, 7, 8 } };
const IID kIidOther = { 0x7E17C003, 0, 0, { 1, 2, 3, 4, 5, 6, 7, 8 } };

class IFirst : public IUnknown
{
public:
    virtual int First() = 0;
};

class ISecond : public IUnknown
{
public:
    virtual int Second() = 0;
};

// Two interfaces, each at its own place in the object.
class TwoFaces final : public ComObject<TwoFaces, IFirst, ISecond>
{
public:
    explicit TwoFaces(bool& destroyed)
        : m_destroyed(destroyed)
    {
    }
    ~TwoFaces() { m_destroyed = true; }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == kIidFirst)
            return static_cast<IFirst*>(this);
        if (iid == kIidSecond)
            return static_cast<ISecond*>(this);
        return nullptr;
    }

    int First() override { return 1; }
    int Second() override { return 2; }

private:
    bool& m_destroyed;
};
}

TEST(ComObject, LookupCountsAndTheLastReleaseThroughAnyInterfaceDeletes)
{
    bool destroyed = false;
    IFirst* first = new TwoFaces(destroyed);

    void* found = &destroyed;
    EXPECT_EQ(first->QueryInterface(kIidOther, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(first->QueryInterface(kIidSecond, nullptr), E_POINTER);

    ASSERT_EQ(first->QueryInterface(kIidSecond, &found), S_OK);
    ISecond* second = static_cast<ISecond*>(found);
    EXPECT_EQ(second->Second(), 2);
    ASSERT_EQ(second->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(found, static_cast<void*>(first));

    // One from creation and two from the lookups.
    EXPECT_EQ(second->AddRef(), 4u);
    EXPECT_EQ(first->Release(), 3u);
    EXPECT_EQ(second->Release(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_TRUE(destroyed);
}
