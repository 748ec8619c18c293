#include "Core/PXmlDocument.h"

#include "Core/PFileReader.h"

const char kDescriptionFolder[] = "Data\\Descriptions";

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
    document.Parse(text.c_str(), nullptr, encoding);
    return !document.Error();
}

bool LoadDescriptionDocument(TiXmlDocument& document, const std::string& descriptionName)
{
    return LoadXmlDocument(document, std::string(kDescriptionFolder) + "\\" + descriptionName);
}
