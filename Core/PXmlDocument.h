// XML documents (object and vehicle descriptions) read through the file
// reader, so their paths follow the game's rules (any case, pack archives
// for files missing on disk), and parsed from memory by TinyXML.
#pragma once

#include <cstdint>
#include <string>
#include <tinyxml.h>

// Where game objects' descriptions live.
extern const char kDescriptionFolder[];

// The deepest element nesting a document may have (its outermost element is
// level 1). TinyXML recurses once per level, so a text nested deeper is
// refused before it is parsed.
constexpr int32_t kMaxXmlDepth = 256;

// Empties the document, names it after the file, reads the file and parses
// it. True when the file was read and parsed without error. A file that
// cannot be read leaves error 2, "Failed to open file"; an empty file leaves
// no error; a parse error leaves TinyXML's. A text nested deeper than
// kMaxXmlDepth is not parsed: it leaves TinyXML's general error and a log
// line. An error of an earlier load never survives into this one.
bool LoadXmlDocument(TiXmlDocument& document, const std::string& fileName,
                     TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);

// A game object's description: the file of that name in the descriptions
// folder (an empty name names the folder itself, which does not load).
bool LoadDescriptionDocument(TiXmlDocument& document, const std::string& descriptionName);
