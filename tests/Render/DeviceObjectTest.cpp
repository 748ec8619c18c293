#include "Render/PDeviceObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Writes its name to a shared trace on each notice.
class TracedObject : public CPDeviceObject
{
public:
    TracedObject(std::string name, std::vector<std::string>& trace)
        : m_name(std::move(name)),
          m_trace(trace)
    {
    }
    void OnLostDevice() override { m_trace.push_back("lost " + m_name); }
    void OnResetDevice() override { m_trace.push_back("reset " + m_name); }

    const std::string m_name;

private:
    std::vector<std::string>& m_trace;
};

std::vector<std::string> Walk()
{
    std::vector<std::string> names;
    for (CPDeviceObject* object = CPDeviceObject::First(); object; object = object->Next())
        names.push_back(static_cast<TracedObject*>(object)->m_name);
    return names;
}
}

TEST(DeviceObject, ListKeepsConstructionOrderWhateverLeaves)
{
    ASSERT_EQ(CPDeviceObject::Count(), 0u);
    std::vector<std::string> trace;
    auto* a = new TracedObject("A", trace);
    auto* b = new TracedObject("B", trace);
    auto* c = new TracedObject("C", trace);
    EXPECT_EQ(Walk(), (std::vector<std::string>{ "A", "B", "C" }));

    delete b;
    EXPECT_EQ(Walk(), (std::vector<std::string>{ "A", "C" }));
    CPDeviceObject::LoseAll();
    CPDeviceObject::ResetAll();
    EXPECT_EQ(trace, (std::vector<std::string>{ "lost A", "lost C", "reset A", "reset C" }));

    auto* d = new TracedObject("D", trace);
    delete a;
    EXPECT_EQ(Walk(), (std::vector<std::string>{ "C", "D" }));
    delete d;
    EXPECT_EQ(Walk(), (std::vector<std::string>{ "C" }));
    delete c;
    EXPECT_EQ(CPDeviceObject::First(), nullptr);
    EXPECT_EQ(CPDeviceObject::Count(), 0u);
}

TEST(DeviceObject, AnObjectMayLeaveDuringTheWalk)
{
    std::vector<std::string> trace;
    // Destroys itself when told of the loss, as an object that gives up its
    // resources for good might.
    class Leaving : public CPDeviceObject
    {
    public:
        explicit Leaving(std::vector<std::string>& trace)
            : m_trace(trace)
        {
        }
        void OnLostDevice() override
        {
            m_trace.push_back("leaving");
            delete this;
        }
        void OnResetDevice() override {}

    private:
        std::vector<std::string>& m_trace;
    };
    new Leaving(trace);
    TracedObject after("after", trace);
    CPDeviceObject::LoseAll();
    EXPECT_EQ(trace, (std::vector<std::string>{ "leaving", "lost after" }));
    EXPECT_EQ(Walk(), (std::vector<std::string>{ "after" }));
}
