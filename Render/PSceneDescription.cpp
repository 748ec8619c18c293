#include "Render/PSceneDescription.h"

#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"

#include <cstdlib>
#include <string_view>

namespace
{
// The first two tokens of a line split at "=", the rest dropped.
void SplitKeyValue(std::string_view line, std::string& key, std::string& value)
{
    CPTokenizer tokenizer(line, "=", 1);
    tokenizer.NextToken(key);
    tokenizer.NextToken(value);
}
}

CPDescriptionFields SplitDescriptionFields(const std::string& value)
{
    CPDescriptionFields fields;
    CPTokenizer tokenizer(value, ",", 1);
    std::string_view field;
    while (tokenizer.NextToken(field))
        fields.emplace_back(field);
    return fields;
}

float DescriptionFloat(const std::string& field)
{
    return static_cast<float>(std::atof(field.c_str()));
}

int32_t DescriptionInt(const std::string& field)
{
    return StringToInt(field.c_str());
}

void CPSceneDescription::Parse(const char* text, int32_t size)
{
    CPTextParser parser(text, size);
    if (!parser.NextLine())
        return;
    std::string ignored;
    SplitKeyValue(parser.GetLineView(), ignored, rootSpec);

    CPAttributeMap* section = nullptr;
    std::string key;
    std::string value;
    while (parser.NextLine()) {
        if (!parser.IsPlainLine()) {
            std::string name(parser.GetLineView());
            section = &nodes[ToLowerString(name)];
            continue;
        }
        key.clear();
        value.clear();
        SplitKeyValue(parser.GetLineView(), key, value);
        ToLowerString(TrimString(key));
        ToLowerString(TrimString(value));
        if (key == "sprite")
            sprites.push_back(SplitDescriptionFields(value));
        else if (key == "lod")
            detailLevels.push_back(SplitDescriptionFields(value));
        else if (key == "light")
            lights.push_back(SplitDescriptionFields(value));
        else if (key == "linekeypoint")
            lineKeyPoints.push_back(SplitDescriptionFields(value));
        else if (key == "psystem")
            particleSystems.push_back(SplitDescriptionFields(value));
        else if (key == "linecolor")
            lineColour = value;
        else if (key == "description")
            descriptionFile = value;
        else if (key == "shadowtextures")
            shadowTextures = value;
        else if (section)
            (*section)[key] = value;
    }
}
