#include "Host/PScriptObject.h"

#include "Core/PCommandDispatcher.h"

#include <iterator>
#include <utility>

CPScriptObject::CPScriptObject(const std::string& name, std::vector<std::string> categories)
    : CPCommandTarget(name)
    , m_categories(std::move(categories))
{
}

CPScriptObject::~CPScriptObject() = default;

int32_t CPScriptObject::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPScriptObject));
}

std::string CPScriptObject::GetTypeName() const
{
    return "CPScriptObject - " + m_name;
}

void CPScriptObject::Update()
{
}

int32_t CPScriptObject::QueryFlag()
{
    return 0;
}

void CPScriptObject::Register(CPCommandDispatcher& dispatcher)
{
    dispatcher.RegisterObject(this);
    for (const std::string& category : m_categories)
        dispatcher.RegisterCategory(category, this);
}

std::vector<CPCommand> CPScriptObject::TakeReceived()
{
    std::vector<CPCommand> received(std::make_move_iterator(m_received.begin()),
                                    std::make_move_iterator(m_received.end()));
    m_received.clear();
    return received;
}

void CPScriptObject::OnCommandAdded(const CPCommand& command)
{
    // A log nobody reads keeps only its newest entries.
    if (m_received.size() >= kReceivedLimit)
        m_received.pop_front();
    m_received.push_back(command);
}
