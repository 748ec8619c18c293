#include "Render/PResourceSpec.h"

#include "Core/PTokenizer.h"

bool CPResourceSpec::HasOption(const char* option) const
{
    for (const std::string& given : options) {
        if (given == option)
            return true;
    }
    return false;
}

CPResourceSpec SplitResourceSpec(const std::string& spec)
{
    CPResourceSpec split;
    CPTokenizer tokenizer(spec, ",", 1);
    tokenizer.NextToken(split.fileName);
    std::string option;
    while (tokenizer.NextToken(option))
        split.options.push_back(option);
    return split;
}
