// References in configuration text ("&!env:", "&!reg:", "&!sh:") as the reader sees them: what
// a value becomes, where reading resumes after a malformed reference, and what is left alone.
#include <gtest/gtest.h>

#include <cstdlib>

#include <tinyxml.h>

#include "TestFolder.h"
#include "config/ConfigDocument.h"

namespace {

// The value of attribute v of the root after the whole loading path.
std::string ValueOf(const std::string& attributeText) {
    TiXmlDocument doc;
    EXPECT_TRUE(config::ParseConfigBuffer("<R v=\"" + attributeText + "\"/>", doc)) << doc.ErrorDesc();
    const char* v = doc.RootElement() ? doc.RootElement()->Attribute("v") : nullptr;
    return v ? v : "<none>";
}

class References : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("QY_REF", "value", 1);
        ::setenv("QY_ODD", "a&b <c> \"d\" 'e'  two  spaces", 1);
        ::unsetenv("QY_UNSET");
    }
};

}  // namespace

TEST_F(References, ExpandToTheirValues) {
    EXPECT_EQ(ValueOf("[&!env:QY_REF;]"), "[value]");
    EXPECT_EQ(ValueOf("&!env:QY_ODD;"), "a&b <c> \"d\" 'e'  two  spaces") << "expanded text is taken literally";
    EXPECT_EQ(ValueOf("[&!env:QY_UNSET;]"), "[]");
    EXPECT_EQ(ValueOf("[&!sh:anything;]"), "[]");
    // There is no registry outside Windows; the Wine tests read real values.
    EXPECT_EQ(ValueOf("[&!reg:SOFTWARE\\X,Y;]"), "[]");
    EXPECT_EQ(ValueOf("&amp;&lt;&#65;&#x42;"), "&<AB") << "standard entities still decode";
}

TEST_F(References, MalformedReferencesResumeWhereTheFormSays) {
    EXPECT_EQ(ValueOf("&!reg:abc"), "abc") << "no comma: resumes after reg:";
    EXPECT_EQ(ValueOf("&!reg:sub,name"), "name") << "no semicolon: resumes after the comma";
    EXPECT_EQ(ValueOf("&!env:QY_REF"), "QY_REF");
    EXPECT_EQ(ValueOf("&!sh:x"), "x");
    EXPECT_EQ(ValueOf("a&!b"), "ab") << "anything else: the two characters go";
    EXPECT_EQ(ValueOf("a&!"), "a");
}

TEST_F(References, OnlyValuesAndTextAreExpanded) {
    TiXmlDocument doc;
    ASSERT_TRUE(config::ParseConfigBuffer("<R a='&!env:QY_REF;' b=\"&amp;!env:QY_REF;\">"
                                          "<!-- &!env:QY_REF; --><T>x &!env:QY_ODD; y</T>"
                                          "<C><![CDATA[&!env:QY_REF;]]></C></R>",
                                          doc))
        << doc.ErrorDesc();
    const TiXmlElement* root = doc.RootElement();
    EXPECT_STREQ(root->Attribute("a"), "value") << "single quotes too";
    EXPECT_STREQ(root->Attribute("b"), "&!env:QY_REF;") << "an escaped ampersand is no reference";
    EXPECT_STREQ(root->FirstChild()->Value(), " &!env:QY_REF; ") << "comments are left alone";
    EXPECT_STREQ(root->FirstChildElement("T")->GetText(), "x a&b <c> \"d\" 'e'  two  spaces y");
    EXPECT_STREQ(root->FirstChildElement("C")->GetText(), "&!env:QY_REF;");
}

TEST_F(References, AReferenceNeverReachesIntoTheNextValue) {
    TiXmlDocument doc;
    ASSERT_TRUE(config::ParseConfigBuffer("<R a=\"&!reg:SOFTWARE\\X\" b=\"1,2;\" c=\"&!env:QY_REF\"/>", doc))
        << doc.ErrorDesc();
    EXPECT_STREQ(doc.RootElement()->Attribute("a"), "SOFTWARE\\X");
    EXPECT_STREQ(doc.RootElement()->Attribute("b"), "1,2;");
    EXPECT_STREQ(doc.RootElement()->Attribute("c"), "QY_REF");
}

TEST(ConfigBuffer, ADocumentEndingInsideAUtf8SequenceStaysInsideTheBuffer) {
    // Found by the fuzzer: the file ends with the lead byte of a three-byte sequence inside an
    // attribute value, and the parser stepped over the terminating zero. ASan watches the reads.
    const std::string text = ReadWholeFile(QY_FUZZ_CORPUS_DIR "/config/truncated-utf8-at-end.xml");
    ASSERT_EQ(text.back(), '\xE5');
    TiXmlDocument doc;
    EXPECT_FALSE(config::ParseConfigBuffer(text, doc));
}
