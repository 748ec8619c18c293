// A command: the way events travel between engine objects and scripts. It is
// a name and the parameters split from one comma-separated text, in which
// double quotes group a parameter that holds commas ("" inside quotes stands
// for one quote).
#pragma once

#include <string>
#include <vector>

struct CPCommand
{
    CPCommand() = default;
    // The name as given; the parameters split from `paramText`. Blank text
    // gives no parameters; ",," gives an empty one between; a leading comma
    // an empty first one; a trailing comma no empty last one.
    CPCommand(std::string commandName, const std::string& paramText);

    std::string name;
    std::vector<std::string> params;
};

// The parameters of a command text, as CPCommand splits them.
std::vector<std::string> SplitCommandParams(const std::string& paramText);
