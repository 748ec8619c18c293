// A fingerprint of the running race for determinism checks: two runs of the
// same race script with the same seed give the same value frame by frame.
//
// It covers, in this order, with every float taken by its bit pattern:
//  - the level's player vehicle and then each vehicle of its list (null
//    entries as a marker): position and rotation quaternion;
//  - the level's race state: race time, time limit, gate countdown, the
//    three places and whether the player took each, ended, game over, time
//    limit expired, current gate, gates passed, player line and progress,
//    start line, the opponents' lines and progress, stepAccumulator;
//  - the game data's race record: current lap, lap times, track progress,
//    race time, and the opponents' records in the order of their keys.
// Without a level only the game data counts; without either the value is
// that of no data.
#pragma once

#include <cstdint>
#include <string>

uint64_t HashRaceState();
// The hash as 16 lower-case hexadecimal digits.
std::string RaceStateHashText();
