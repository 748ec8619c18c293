// Arbitrary bytes as a description file, loaded through the file reader into
// a document that keeps whatever the previous input left in it. A load that
// succeeds leaves no error; one that fails leaves an error unless the file
// was empty. Files live in a scratch root
// under /tmp.
#include "Core/PFileWriter.h"
#include "Core/PXmlDocument.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static TiXmlDocument document;
    static bool ready = false;
    if (!ready) {
        root.MakeDirectory("Data/Descriptions");
        GamePath::SetRoot(root.Path());
        ready = true;
    }
    CPFileWriter writer("Data\\Descriptions\\Fuzz.xml");
    writer.Write(data, size);
    if (FAILED(writer.Save()))
        std::abort();

    const bool loaded = LoadDescriptionDocument(document, "fuzz.XML");
    if (loaded && document.Error())
        std::abort();
    if (!loaded && !document.Error() && size != 0)
        std::abort();
    if (size == 0 && (loaded || document.FirstChild()))
        std::abort();
    // Walk what was built, as the loaders do.
    int elements = 0;
    for (TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
        if (TiXmlElement* element = node->ToElement()) {
            double value = 0.0;
            element->QueryDoubleAttribute("value", &value);
            ++elements;
        }
    }
    return elements < 0 ? 1 : 0;
}
