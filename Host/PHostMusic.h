// The music player's task behaviour, which the host supplies: starting the
// task runs the graph, each frame the graph's events are read and at the end
// of the music a looping file is rewound and run again (any other is
// stopped), and stopping the task stops the graph. A file loaded without a
// Start runs from the next frame: the task runs each newly loaded graph once
// unless Start or Stop has dealt with it. The task is listed once at
// start-up and stays listed, so a later Start plays the next file; Start runs
// the graph even when the task is already running. A script's KillAllTasks
// ends the task with every other; the host lists it again when music waits to
// be run or is playing (KeepHostMusicListed).
#pragma once

#include "Sound/PMusic.h"

class CPHostMusic : public CPMusic
{
public:
    int32_t GetObjectSize() const override;
    bool Start() override;
    void Update() override;
    void Stop() override;
    // Whether a file waits to be run or the graph is running.
    bool HasMusicToRun() const;

private:
    // The load count of the graph the task last ran or stopped.
    uint32_t m_handledLoad = 0;
};
