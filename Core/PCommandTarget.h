// The engine's view of a script object, the target of commands: a task with a
// name, a queue of commands and the command being handled. The host's script
// objects derive from it; the engine (dispatcher, game objects, interface
// screens) and the script bindings know them only as this class.
//
// New commands enter at the front of the queue and the oldest stands at the
// back, where the current command is, so commands are handled first in,
// first out. Adding at the front keeps references to queued commands valid.
#pragma once

#include "Core/PCommand.h"
#include "Core/PTask.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

class CPCommandTarget : public CPTask
{
public:
    explicit CPCommandTarget(std::string name);
    ~CPCommandTarget() override;

    // The name under which it is registered with the dispatcher.
    const std::string& GetName() const { return m_name; }

    // Queues a command at the front; the dispatcher checks that the target is
    // running first.
    void AddCommand(CPCommand command);

    // Moves on to the next command. With an empty queue: false, and the
    // current command stays. Otherwise drops the current command (if one is
    // set) and makes the oldest waiting command current: true, or false with
    // no current command when none is left.
    bool SetNextCommand();
    // The command being handled, and its parameters; null when none is.
    const CPCommand* GetCurrentCommand() const { return m_current; }
    const std::vector<std::string>* GetCurrentParams() const;

    // Commands queued, the current one included.
    size_t GetCommandCount() const { return m_commands.size(); }

protected:
    // Told of every command as it is queued; nothing by default.
    virtual void OnCommandAdded(const CPCommand&) {}

    std::string m_name;
    std::deque<CPCommand> m_commands;
    CPCommand* m_current = nullptr; // the back of the queue, or null
};
