#include "Core/PCommandTarget.h"

#include <utility>

CPCommandTarget::CPCommandTarget(std::string name)
    : m_name(std::move(name))
{
}

CPCommandTarget::~CPCommandTarget() = default;

void CPCommandTarget::AddCommand(CPCommand command)
{
    OnCommandAdded(command);
    m_commands.push_front(std::move(command));
}

bool CPCommandTarget::SetNextCommand()
{
    if (m_commands.empty())
        return false;
    if (m_current)
        m_commands.pop_back();
    if (m_commands.empty()) {
        m_current = nullptr;
        return false;
    }
    m_current = &m_commands.back();
    return true;
}

const std::vector<std::string>* CPCommandTarget::GetCurrentParams() const
{
    return m_current ? &m_current->params : nullptr;
}
