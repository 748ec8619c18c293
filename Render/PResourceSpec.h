// A resource spec as effect and texture requests give it: a file name, then
// options after commas ("wall.tga,nomip", "water.fx,shared"). Double quotes
// group a part that holds a comma. Options are compared byte for byte.
#pragma once

#include <string>
#include <vector>

struct CPResourceSpec
{
    std::string fileName;
    std::vector<std::string> options;

    bool HasOption(const char* option) const;
};

CPResourceSpec SplitResourceSpec(const std::string& spec);
