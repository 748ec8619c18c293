#include "Core/PCommand.h"

#include "Core/PTokenizer.h"

#include <utility>

CPCommand::CPCommand(std::string commandName, const std::string& paramText)
    : name(std::move(commandName))
    , params(SplitCommandParams(paramText))
{
}

std::vector<std::string> SplitCommandParams(const std::string& paramText)
{
    std::vector<std::string> params;
    CPTokenizer tokenizer(paramText, ",", 1);
    std::string token;
    while (tokenizer.NextToken(token))
        params.push_back(token);
    return params;
}
