#include "Render/PResourceRequest.h"

#include "Core/PTokenizer.h"

bool CPResourceRequest::HasOption(const char* option) const
{
    for (const std::string& given : options) {
        if (given == option)
            return true;
    }
    return false;
}

CPResourceRequest SplitResourceRequest(const std::string& spec)
{
    CPResourceRequest split;
    CPTokenizer tokenizer(spec, ",", 1);
    tokenizer.NextToken(split.fileName);
    std::string option;
    while (tokenizer.NextToken(option))
        split.options.push_back(option);
    return split;
}
