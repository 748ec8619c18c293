#include "Core/PXmlDocument.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

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
