// A driver that plays a fixed list of user actions, one per request, and
// then reports the end of input. It keeps every dialog view it was shown, so
// tests can see what the user would have seen before each action.
#pragma once

#include "Platform/WinUser.h"

#include <deque>
#include <vector>

namespace PlatformUI
{
class ScriptedDriver : public Driver
{
public:
    ScriptedDriver() = default;
    explicit ScriptedDriver(const std::vector<Action>& actions);

    void Add(const Action& action);
    Action NextAction(const DialogView& dialog) override;

    // The views shown so far, one per request, in order.
    const std::vector<DialogView>& Seen() const { return m_seen; }
    size_t Remaining() const { return m_actions.size(); }

private:
    std::deque<Action> m_actions;
    std::vector<DialogView> m_seen;
};
}
