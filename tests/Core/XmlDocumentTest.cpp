#include "Core/PXmlDocument.h"

#include "Core/PLog.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class XmlDocument : public ::testing::Test
{
protected:
    ScratchRoot root;
    TiXmlDocument document;
};

const char kVehicle[] = "<vehicle name=\"jeep\">\n  <engine power=\"1.5\"/>\n</vehicle>\n";
}

TEST_F(XmlDocument, DescriptionFoundWhateverTheCase)
{
    root.MakeFile("data/DESCRIPTIONS/Jeep.Xml", kVehicle);
    ASSERT_TRUE(LoadDescriptionDocument(document, "JEEP.xml"));
    EXPECT_STREQ(document.Value(), "Data\\Descriptions\\JEEP.xml");
    EXPECT_FALSE(document.Error());
    double power = 0.0;
    TiXmlElement* engine = TiXmlHandle(&document).FirstChildElement("vehicle").FirstChildElement("engine").ToElement();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->QueryDoubleAttribute("power", &power), TIXML_SUCCESS);
    EXPECT_EQ(power, 1.5);
}

TEST_F(XmlDocument, FailuresAndTheirErrors)
{
    root.MakeFile("Data/Descriptions/empty.xml", "");
    root.MakeFile("Data/Descriptions/broken.xml", "<vehicle><engine></vehicle>");
    root.MakeFile("Data/Descriptions/good.xml", kVehicle);

    const struct
    {
        const char* name;
        int errorId; // 0: no error
    } cases[] = {
        { "missing.xml", TiXmlBase::TIXML_ERROR_OPENING_FILE },
        { "", TiXmlBase::TIXML_ERROR_OPENING_FILE }, // the folder itself
        { "empty.xml", 0 },
        { "broken.xml", TiXmlBase::TIXML_ERROR_READING_END_TAG },
    };
    // Each load starts from a document that had loaded or failed before.
    for (const auto& c : cases) {
        for (const char* before : { "good.xml", "broken.xml", "missing.xml" }) {
            LoadDescriptionDocument(document, before);
            EXPECT_FALSE(LoadDescriptionDocument(document, c.name)) << c.name;
            EXPECT_EQ(document.ErrorId(), c.errorId) << c.name << " after " << before;
            EXPECT_EQ(document.Error(), c.errorId != 0);
            if (c.errorId == TiXmlBase::TIXML_ERROR_OPENING_FILE) {
                EXPECT_STREQ(document.ErrorDesc(), "Failed to open file");
            }
            if (c.errorId != TiXmlBase::TIXML_ERROR_READING_END_TAG) {
                EXPECT_EQ(document.FirstChild(), nullptr) << c.name << " after " << before;
            }
        }
    }
}

TEST_F(XmlDocument, SecondLoadReplacesTheFirstAndZeroByteEndsTheText)
{
    root.MakeFile("a.xml", "<first/>");
    root.MakeFile("b.xml", std::string("<second/>\0<junk", 16));
    ASSERT_TRUE(LoadXmlDocument(document, "a.xml"));
    ASSERT_TRUE(LoadXmlDocument(document, "B.XML"));
    ASSERT_NE(document.RootElement(), nullptr);
    EXPECT_STREQ(document.RootElement()->Value(), "second");
    EXPECT_EQ(document.RootElement()->NextSibling(), nullptr);
}

TEST_F(XmlDocument, TextNestedPastTheBoundIsRefusedBeforeParsing)
{
    // `depth` elements, each inside the one before; `open` is the start tag.
    const auto nested = [](int32_t depth, const std::string& open, const std::string& close) {
        std::string text;
        for (int32_t i = 0; i < depth; ++i)
            text += open;
        for (int32_t i = 0; i < depth; ++i)
            text += close;
        return text;
    };
    const int32_t deeper = kMaxXmlDepth + 1;
    std::string siblings;
    for (int32_t i = 0; i < 2 * deeper; ++i)
        siblings += "<leaf value='1'/>";
    const struct
    {
        const char* label;
        std::string text;
        bool refused;
    } cases[] = {
        { "40000 levels", nested(40000, "<a>", "</a>"), true },
        { "one level past the bound", nested(deeper, "<a>", "</a>"), true },
        { "quoted '>' and '/>' in the attributes", nested(deeper, "<a v=\">\" w = '/>'\n>", "</a >"), true },
        { "under a declaration and a comment", "<?xml version=\"1.0\"?><!-- <x> -->" + nested(deeper, "<_a>", "</_a>"),
          true },
        { "at the bound", nested(kMaxXmlDepth, "<a>", "</a>"), false },
        { "siblings", "<root>" + siblings + "</root>", false },
        { "levels in a comment", "<r><!--" + nested(deeper, "<a>", "") + "--></r>", false },
        { "levels in CDATA", "<r><![CDATA[" + nested(deeper, "<a>", "") + "]]></r>", false },
        { "levels in an attribute value", "<r v=\"" + nested(deeper, "<a>", "") + "\"/>", false },
        { "levels after a zero byte", "<r/>" + std::string(1, '\0') + nested(deeper, "<a>", ""), false },
    };
    std::vector<std::string> lines;
    GetLog().SetSink([&lines](int32_t, const std::string& text) { lines.push_back(text); });
    for (const auto& c : cases) {
        root.MakeFile("Data/Descriptions/deep.xml", c.text);
        lines.clear();
        EXPECT_EQ(LoadDescriptionDocument(document, "Deep.xml"), !c.refused) << c.label;
        EXPECT_EQ(document.Error(), c.refused) << c.label;
        if (c.refused) {
            EXPECT_EQ(document.FirstChild(), nullptr) << c.label;
            EXPECT_EQ(lines, std::vector<std::string>{ "cannot read Data\\Descriptions\\Deep.xml: nested deeper than 256 "
                                                       "levels\n" })
                << c.label;
        } else {
            EXPECT_TRUE(lines.empty()) << c.label;
        }
    }
    GetLog().SetSink(nullptr);
}
