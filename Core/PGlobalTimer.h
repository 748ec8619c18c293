// The global timer: a task that adds up the frame times of the frames it
// runs in. The host creates the one timer; scripts put it into the task list
// (StartGlobalTimer) and stop it (StopGlobalTimer).
#pragma once

#include "Core/PTask.h"

#include <string>

class CPGlobalTimer : public CPTask
{
public:
    int32_t GetObjectSize() const override;
    // "CPGlobalTimer".
    std::string GetTypeName() const override;

    // Adds the frame time to the elapsed time.
    void Update() override;
    int32_t QueryFlag() override;

    // Seconds counted over the frames the timer ran in.
    double GetElapsed() const { return m_elapsed; }

private:
    double m_elapsed = 0.0;
};
