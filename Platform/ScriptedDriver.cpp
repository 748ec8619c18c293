#include "Platform/ScriptedDriver.h"

namespace PlatformUI
{
ScriptedDriver::ScriptedDriver(const std::vector<Action>& actions)
    : m_actions(actions.begin(), actions.end())
{
}

void ScriptedDriver::Add(const Action& action)
{
    m_actions.push_back(action);
}

Action ScriptedDriver::NextAction(const DialogView& dialog)
{
    m_seen.push_back(dialog);
    if (m_actions.empty())
        return Action::NoMoreInput();
    const Action next = m_actions.front();
    m_actions.pop_front();
    return next;
}
}
