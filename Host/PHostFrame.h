// The host's frame step: advance the game clocks, run every listed task once
// in order, drop the finished ones, then draw.
#pragma once

class CPTaskManager;

// Adds the frame to the full time, writes the frame time, counts the frame
// and moves the media clock on by the frame.
void AdvanceFrameClock(float frameTime);

// Runs Update of every task in list order (a task finished earlier in the
// same frame is not run again), then drops the finished tasks from the list
// and clears their running flag, so a dropped task can be added again.
void RunTasks(CPTaskManager& tasks);

// Work the host adds to each frame between the tasks and the drawing (the
// stepping of the shots in flight); none while null. Reached through this
// pointer so that a program that only runs frames does not link the race.
extern void (*g_HostFrameWork)();

// One frame: the host's render device restored after a loss, the clock, the
// global task manager's tasks when it exists, the host's frame work, then the
// drawing of the render system (not while its device is lost).
void RunFrame(float frameTime);
