// The attribute map: names in byte order whatever order they were read in, the first value of a
// name kept, values replaced without disturbing their neighbours, and copies that stand alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/AttrMap.h"

namespace {

std::vector<std::string> Names(const AttrMap& attrs) {
    std::vector<std::string> names;
    for (const auto& [name, value] : attrs) names.emplace_back(name);
    return names;
}

}  // namespace

TEST(AttrMap, IteratesInByteOrderOfTheNames) {
    AttrMap attrs;
    for (const char* name :
         {"path", "md5", "compressmd5", "Path", "compressSize", "\xC3\xA9t\xC3\xA9", "os"}) {
        EXPECT_TRUE(attrs.Insert(name, std::string("v-") + name));
    }
    // Upper case before lower case, bytes above 0x7F last: what a std::map<std::string> gives.
    EXPECT_EQ(Names(attrs), (std::vector<std::string>{"Path", "compressSize", "compressmd5", "md5", "os",
                                                      "path", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(attrs.size(), 7u);
    EXPECT_EQ(AttrValue(attrs, "compressSize"), "v-compressSize");
    EXPECT_EQ(AttrValue(attrs, "Path"), "v-Path");
    EXPECT_EQ(AttrValue(attrs, "path"), "v-path");
}

TEST(AttrMap, AnAbsentNameReadsEmptyAndARepeatedNameKeepsTheFirstValue) {
    AttrMap attrs;
    EXPECT_TRUE(attrs.empty());
    EXPECT_EQ(AttrValue(attrs, "link"), "");
    EXPECT_TRUE(attrs.Insert("link", "a.exe"));
    EXPECT_TRUE(attrs.Insert("argv", ""));
    EXPECT_FALSE(attrs.Insert("link", "b.exe"));
    EXPECT_EQ(AttrValue(attrs, "link"), "a.exe");
    EXPECT_TRUE(HasAttr(attrs, "argv")) << "an empty value is still an attribute";
    EXPECT_EQ(AttrValue(attrs, "argv"), "");
    EXPECT_FALSE(HasAttr(attrs, "lin"));
    EXPECT_FALSE(HasAttr(attrs, "links"));
    EXPECT_EQ(attrs.find("workdir"), attrs.end());
}

TEST(AttrMap, SetReplacesOneValueAndLeavesTheOthersIntact) {
    AttrMap attrs;
    attrs.Insert("b", "second");
    attrs.Insert("a", "first");
    attrs.Insert("c", "third");
    attrs.Set("b", "a much longer second value");
    EXPECT_EQ(AttrValue(attrs, "a"), "first");
    EXPECT_EQ(AttrValue(attrs, "b"), "a much longer second value");
    EXPECT_EQ(AttrValue(attrs, "c"), "third");
    attrs.Set("a", "");
    EXPECT_EQ(AttrValue(attrs, "a"), "");
    EXPECT_EQ(AttrValue(attrs, "b"), "a much longer second value");
    EXPECT_EQ(AttrValue(attrs, "c"), "third");
    attrs.Set("d", "new");
    EXPECT_EQ(Names(attrs), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(AttrMap, ACopyIsIndependentAndComparesByContent) {
    AttrMap original;
    original.Insert("path", "bin\\a.dll");
    original.Insert("md5", "0123456789abcdef0123456789abcdef");
    AttrMap copy = original;
    EXPECT_EQ(copy, original);
    copy.Set("path", "bin\\b.dll");
    EXPECT_NE(copy, original);
    EXPECT_EQ(AttrValue(original, "path"), "bin\\a.dll");
    EXPECT_EQ(AttrValue(copy, "md5"), "0123456789abcdef0123456789abcdef");

    // Same attributes inserted in another order: equal.
    AttrMap reordered;
    reordered.Insert("md5", "0123456789abcdef0123456789abcdef");
    reordered.Insert("path", "bin\\a.dll");
    EXPECT_EQ(reordered, original);
}
