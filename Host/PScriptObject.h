// The host's script objects: the targets of the engine's commands. Each has
// a name and the categories it belongs to, is registered with the command
// dispatcher under them, and takes commands while its task runs; scripts
// read its queue through the script API. Each also keeps a log of the
// commands it received, which the host hands to scripts.
#pragma once

#include "Core/PCommandTarget.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class CPCommandDispatcher;

class CPScriptObject : public CPCommandTarget
{
public:
    explicit CPScriptObject(const std::string& name, std::vector<std::string> categories = {});
    ~CPScriptObject() override;

    int32_t GetObjectSize() const override;
    // "CPScriptObject - " and the name.
    std::string GetTypeName() const override;
    // Nothing of its own each frame: its commands wait for the script.
    void Update() override;
    int32_t QueryFlag() override;

    const std::vector<std::string>& GetCategories() const { return m_categories; }

    // Registers the object under its name and each of its categories.
    void Register(CPCommandDispatcher& dispatcher);

    // Commands the log keeps at most.
    static constexpr size_t kReceivedLimit = 4096;

    // Every command queued since the last call (at most the newest
    // kReceivedLimit), oldest first; the log is emptied. Handling commands
    // does not touch the log.
    std::vector<CPCommand> TakeReceived();

protected:
    void OnCommandAdded(const CPCommand& command) override;

private:
    std::vector<std::string> m_categories;
    // A deque: a log that nobody takes grows without moving what it holds
    // and drops its oldest entry in constant time.
    std::deque<CPCommand> m_received;
};
