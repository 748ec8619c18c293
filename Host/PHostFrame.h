// The host's frame step for tasks: advance the game clocks, run every listed
// task once in order, then drop the finished ones.
#pragma once

class CPTaskManager;

// Adds the frame to the full time, writes the frame time, counts the frame
// and moves the media clock on by the frame.
void AdvanceFrameClock(float frameTime);

// Runs Update of every task in list order (a task finished earlier in the
// same frame is not run again), then drops the finished tasks from the list
// and clears their running flag, so a dropped task can be added again.
void RunTasks(CPTaskManager& tasks);

// One frame: the host's render device restored after a loss, the clock, then
// the global task manager's tasks when it exists.
void RunFrame(float frameTime);
