// Conversions between wide text and UTF-8, including text that is not valid UTF-8.
#include <gtest/gtest.h>

#include "system/TextConv.h"

TEST(TextConv, RoundTripsEveryPlane) {
    const std::wstring wide = L"Quilly 安装 ü \U0001F600";
    EXPECT_EQ(sys::WideToUtf8(wide), "Quilly 安装 ü \xF0\x9F\x98\x80");
    EXPECT_EQ(sys::Utf8ToWide(sys::WideToUtf8(wide)), wide);
    EXPECT_EQ(sys::WideToUtf8(L""), "");
    EXPECT_EQ(sys::Utf8ToWide(""), L"");
}

TEST(TextConv, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(sys::Utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(sys::Utf8ToWide("\xE5\xAE"), L"\uFFFD") << "truncated sequence";
    EXPECT_EQ(sys::Utf8ToWide("\xC0\xAF"), L"\uFFFD\uFFFD") << "overlong form";
    EXPECT_EQ(sys::Utf8ToWide("\xED\xA0\x80"), L"\uFFFD") << "encoded surrogate";
}
