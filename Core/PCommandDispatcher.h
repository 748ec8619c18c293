// Command dispatcher: carries events as commands to script objects, by the
// name they are registered under, to every object of a category, or to one
// object given directly. Only running targets take commands; a send to a
// missing, null or stopped target does nothing. The host registers the
// script objects; the engine only sends and looks up.
#pragma once

#include "Core/PCommandTarget.h"
#include "Core/PSmartPtr.h"

#include <string>
#include <unordered_map>
#include <vector>

class CPCommandDispatcher
{
public:
    CPCommandDispatcher();
    ~CPCommandDispatcher();
    CPCommandDispatcher(const CPCommandDispatcher&) = delete;
    CPCommandDispatcher& operator=(const CPCommandDispatcher&) = delete;

    // Names are matched exactly, letter case included.
    void SendCommandByName(const std::string& targetName, const std::string& command, const std::string& params);
    void SendCommandByCategory(const std::string& category, const std::string& command, const std::string& params);
    void SendCommandByObject(CPSmartPtr<CPCommandTarget> target, const std::string& command, const std::string& params);
    // The object registered under the name, or null.
    CPSmartPtr<CPCommandTarget> FindObject(const std::string& name) const;

    // Registration, done by the host. An object registered under a name
    // replaces the one registered there before; an object joins a category
    // once, after the objects already in it.
    void RegisterObject(CPCommandTarget* target);
    void RegisterCategory(const std::string& category, CPCommandTarget* target);
    // Forgets the object under its name and in every category; the host calls
    // it before it destroys a registered object.
    void UnregisterObject(const CPCommandTarget* target);

private:
    std::unordered_map<std::string, CPCommandTarget*> m_names;
    std::unordered_map<std::string, std::vector<CPCommandTarget*>> m_categories;
};

extern CPCommandDispatcher* g_CommandDispatcher;
CPCommandDispatcher* GetCommandDispatcher();
