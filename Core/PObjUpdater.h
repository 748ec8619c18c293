// A task that calls one member function of one object every frame, for
// objects that are not tasks themselves (the level's race update runs so).
// The target is not referenced: it must outlive the updater's time in the
// task list.
#pragma once

#include "Core/PTask.h"

#include <cstdint>
#include <functional>
#include <string>

class CPObjUpdater : public CPTask
{
public:
    // A null target or method binds nothing: Update then does nothing.
    template <class T>
    CPObjUpdater(T* target, void (T::*method)())
        : m_target(target)
    {
        if (target && method)
            m_call = [target, method]() { (target->*method)(); };
    }

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;
    // Calls the bound member function on the target.
    void Update() override;
    int32_t QueryFlag() override;

    const void* GetTarget() const { return m_target; }
    // Forgets the target and method: Update then does nothing. For targets
    // that end before the updater leaves the task list.
    void Unbind()
    {
        m_target = nullptr;
        m_call = nullptr;
    }

private:
    int32_t m_flag = 0;
    void* m_target;
    std::function<void()> m_call;
};
