#include "Core/PXmlDocument.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"

#include <cstring>

const char kDescriptionFolder[] = "Data\\Descriptions";

namespace
{
// The bytes TinyXML takes for white space.
bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first byte after `end` at or past `p`; the text's end when there is none.
const char* SkipPast(const char* p, const char* end)
{
    const char* found = std::strstr(p, end);
    return found ? found + std::strlen(end) : p + std::strlen(p);
}

// Whether the elements of a zero-terminated text nest deeper than `bound`.
// Tags are read as TinyXML reads them: comments, CDATA sections and other
// "<!", "<?" or unnamed tags hold no elements; a quoted attribute value may
// hold '<' and '>'; an end tag closes a level and "/>" opens none. Where this
// reading and the parser's part, the parser stops with an error or skips
// more than this scan, so the scan never counts fewer levels than it builds.
bool NestsDeeperThan(const char* p, int32_t bound)
{
    int32_t depth = 0;
    while ((p = std::strchr(p, '<')) != nullptr) {
        const unsigned char next = static_cast<unsigned char>(p[1]);
        if (std::strncmp(p, "<!--", 4) == 0) {
            p = SkipPast(p + 4, "-->");
        } else if (std::strncmp(p, "<![CDATA[", 9) == 0) {
            p = SkipPast(p + 9, "]]>");
        } else if (next == '/') {
            depth = depth > 0 ? depth - 1 : 0;
            p = SkipPast(p + 2, ">");
        } else if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '_' || next >= 127) {
            // An element's start tag: its name and attributes, to ">" or "/>".
            bool afterEquals = false;
            for (++p;; ++p) {
                const char c = *p;
                if (c == '\0')
                    return false;
                if (c == '>') {
                    if (++depth > bound)
                        return true;
                    break;
                }
                if (c == '/' && p[1] == '>') {
                    ++p;
                    break;
                }
                if ((c == '"' || c == '\'') && afterEquals) {
                    const char* close = std::strchr(p + 1, c);
                    if (!close)
                        return false;
                    p = close;
                    afterEquals = false;
                } else if (c == '=') {
                    afterEquals = true;
                } else if (!IsXmlSpace(c)) {
                    afterEquals = false;
                }
            }
            ++p;
        } else {
            // Declarations, "<!" tags and tags without a name end at the first '>'.
            p = SkipPast(p + 1, ">");
        }
    }
    return false;
}
}

bool LoadXmlDocument(TiXmlDocument& document, const std::string& fileName, TiXmlEncoding encoding)
{
    document.Clear();
    // TinyXML keeps the first error it sees; a new load starts without one.
    document.ClearError();
    document.SetValue(fileName);

    CPFileReader reader(fileName, 0);
    if (FAILED(reader.Load())) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, encoding);
        return false;
    }
    const int32_t size = reader.GetSize();
    if (size <= 0)
        return false;

    // Parsed as zero-terminated text: a zero byte in the file ends it.
    const std::string text(reinterpret_cast<const char*>(reader.GetData()), static_cast<size_t>(size));
    if (NestsDeeperThan(text.c_str(), kMaxXmlDepth)) {
        document.SetError(TiXmlBase::TIXML_ERROR, nullptr, nullptr, encoding);
        GetLog().Print(0, "cannot read %s: nested deeper than %d levels\n", fileName.c_str(), kMaxXmlDepth);
        return false;
    }
    document.Parse(text.c_str(), nullptr, encoding);
    return !document.Error();
}

bool LoadDescriptionDocument(TiXmlDocument& document, const std::string& descriptionName)
{
    return LoadXmlDocument(document, std::string(kDescriptionFolder) + "\\" + descriptionName);
}
