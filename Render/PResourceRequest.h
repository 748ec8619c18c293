// A resource request as effect and texture requests give it: a file name, then
// options after commas ("wall.tga,nomip", "water.fx,shared"). Double quotes
// group a part that holds a comma. Options are compared byte for byte.
#pragma once

#include <string>
#include <vector>

struct CPResourceRequest
{
    std::string fileName;
    std::vector<std::string> options;

    bool HasOption(const char* option) const;
};

CPResourceRequest SplitResourceRequest(const std::string& spec);
