// A plain character-at-a-time reading of the tokenizer's splitting rules,
// for checking the tokenizer against: the text trimmed, then each token built
// one character at a time and trimmed unless it is exactly one space.
#pragma once

#include "Core/PUtils.h"

#include <string>
#include <vector>

inline std::vector<std::string> ReferenceTokens(std::string text, const std::string& separator, bool quote)
{
    TrimString(text);
    std::vector<std::string> tokens;
    size_t position = 0;
    while (position < text.size()) {
        std::string token;
        std::string pending;
        size_t matched = 0;
        bool inQuotes = false;
        bool complete = false;
        while (position < text.size() && !complete) {
            const char c = text[position];
            if (c == '"' && quote) {
                if (inQuotes && position + 1 < text.size() && text[position + 1] == '"') {
                    token += '"';
                    ++position;
                } else {
                    inQuotes = !inQuotes;
                }
            } else if (inQuotes) {
                token += c;
            } else if (!separator.empty() && c == separator[matched]) {
                ++matched;
                if (matched == separator.size())
                    complete = true;
                else
                    pending += c;
            } else {
                if (matched > 0) {
                    token += pending;
                    pending.clear();
                    matched = 0;
                }
                token += c;
            }
            ++position;
        }
        if (token != " ")
            TrimString(token);
        tokens.push_back(token);
    }
    return tokens;
}
