// Scene description: the parsed form of an ".rdf" text. Its first line gives
// the root spec (a mesh file, "empty", or "anim;" and animation files); then
// sections "[node]" collect the attributes of the named node, and the global
// keys list the sprites, detail levels, lights, line points and particle
// systems that hang on the tree. Keys and values are kept lower-cased; the
// root spec keeps its case.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

// A node's attributes: key to value. The comparator also takes plain text, so
// the loader looks keys up by their literal names without building a string
// for each lookup.
using CPAttributeMap = std::map<std::string, std::string, std::less<>>;
// Node name to its attributes.
using CPDescriptionMap = std::unordered_map<std::string, CPAttributeMap>;
// The comma-separated fields of one global entry.
using CPDescriptionFields = std::vector<std::string>;

struct CPSceneDescription
{
    std::string rootSpec;
    CPDescriptionMap nodes;
    // Repeatable global keys, in file order.
    std::vector<CPDescriptionFields> sprites;
    std::vector<CPDescriptionFields> detailLevels;
    std::vector<CPDescriptionFields> lights;
    std::vector<CPDescriptionFields> lineKeyPoints;
    std::vector<CPDescriptionFields> particleSystems;
    // Single global keys: the last one given holds.
    std::string lineColour;
    std::string descriptionFile;
    std::string shadowTextures;

    // Reads the text; what it holds replaces nothing already parsed, so parse
    // into a fresh description.
    void Parse(const char* text, int32_t size);
};

// The fields of a value split at "," (double quotes group).
CPDescriptionFields SplitDescriptionFields(const std::string& value);
// A field read as a number, up to the first character that cannot continue
// it; 0 when it does not start with one.
float DescriptionFloat(const std::string& field);
int32_t DescriptionInt(const std::string& field);
