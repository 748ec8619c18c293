#include "Core/PCommandDispatcher.h"

#include <algorithm>

CPCommandDispatcher* g_CommandDispatcher = nullptr;

CPCommandDispatcher* GetCommandDispatcher()
{
    return g_CommandDispatcher;
}

CPCommandDispatcher::CPCommandDispatcher() = default;

CPCommandDispatcher::~CPCommandDispatcher() = default;

void CPCommandDispatcher::SendCommandByName(const std::string& targetName, const std::string& command,
                                            const std::string& params)
{
    const auto entry = m_names.find(targetName);
    if (entry == m_names.end() || !entry->second->IsRunning())
        return;
    entry->second->AddCommand(CPCommand(command, params));
}

void CPCommandDispatcher::SendCommandByCategory(const std::string& category, const std::string& command,
                                                const std::string& params)
{
    const auto entry = m_categories.find(category);
    if (entry == m_categories.end())
        return;
    const CPCommand built(command, params);
    for (CPCommandTarget* target : entry->second) {
        if (target->IsRunning())
            target->AddCommand(built);
    }
}

void CPCommandDispatcher::SendCommandByObject(CPSmartPtr<CPCommandTarget> target, const std::string& command,
                                              const std::string& params)
{
    if (target && target->IsRunning())
        target->AddCommand(CPCommand(command, params));
}

CPSmartPtr<CPCommandTarget> CPCommandDispatcher::FindObject(const std::string& name) const
{
    const auto entry = m_names.find(name);
    return entry == m_names.end() ? CPSmartPtr<CPCommandTarget>() : CPSmartPtr<CPCommandTarget>(entry->second);
}

void CPCommandDispatcher::RegisterObject(CPCommandTarget* target)
{
    if (target)
        m_names[target->GetName()] = target;
}

void CPCommandDispatcher::RegisterCategory(const std::string& category, CPCommandTarget* target)
{
    if (!target)
        return;
    std::vector<CPCommandTarget*>& members = m_categories[category];
    if (std::find(members.begin(), members.end(), target) == members.end())
        members.push_back(target);
}

void CPCommandDispatcher::UnregisterObject(const CPCommandTarget* target)
{
    if (!target)
        return;
    const auto entry = m_names.find(target->GetName());
    if (entry != m_names.end() && entry->second == target)
        m_names.erase(entry);
    for (auto& category : m_categories) {
        std::vector<CPCommandTarget*>& members = category.second;
        members.erase(std::remove(members.begin(), members.end(), target), members.end());
    }
}
