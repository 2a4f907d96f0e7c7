// The log formatter: the same output on every platform, wide strings as UTF-8, safe cuts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/log/LogFormat.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buf[256];
    size_t n = log4z::FormatLogTextF(buf, sizeof(buf), format, args...);
    EXPECT_EQ(n, std::string(buf).size());
    return buf;
}

}  // namespace

TEST(LogFormat, IntegersOfEveryLength) {
    EXPECT_EQ(Format("%d|%5d|%-5d|%05d|%+d", -42, 42, 42, 42, 42), "-42|   42|42   |00042|+42");
    EXPECT_EQ(Format("%u %x %X %o %#x", 4000000000u, 255u, 255u, 8u, 255u), "4000000000 ff FF 10 0xff");
    EXPECT_EQ(Format("%ld %lu", -7L, 7UL), "-7 7");
    EXPECT_EQ(Format("%lld %llu", -9000000000LL, 18000000000ULL), "-9000000000 18000000000");
    EXPECT_EQ(Format("%I64d %I64u", -9000000000LL, 18000000000ULL), "-9000000000 18000000000");
    EXPECT_EQ(Format("%zu %zd", size_t(123), size_t(4)), "123 4");
    EXPECT_EQ(Format("%hd %hhu", 5, 6), "5 6");
    EXPECT_EQ(Format("%*d|%-*d|%.*d", 4, 1, 3, 2, 3, 7), "   1|2  |007");
}

TEST(LogFormat, FloatsCharactersPointers) {
    EXPECT_EQ(Format("%.2f %e %g", 12.345678, 1000.0, 0.5), "12.35 1.000000e+03 0.5");
    EXPECT_EQ(Format("%.2fM", static_cast<double>(12.345678f)), "12.35M");
    EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(Format("%%|%s|%.3s|%5s", "abc", "abcdef", "x"), "%|abc|abc|    x");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
}

TEST(LogFormat, WideStringsBecomeUtf8) {
    EXPECT_EQ(Format("path %S!", L"C:\\临时\\ü"), "path C:\\临时\\ü!");
    EXPECT_EQ(Format("%ls|%ws", L"a", L"b"), "a|b");
    EXPECT_EQ(Format("%hS", "narrow"), "narrow");
    EXPECT_EQ(Format("%.2S", L"临时目录"), "临时") << "precision counts characters of the wide text";
    EXPECT_EQ(Format("%S", static_cast<const wchar_t*>(nullptr)), "(null)");
    EXPECT_EQ(Format("%lc", static_cast<wint_t>(L'é')), "é");
}

TEST(LogFormat, OddDirectivesAreHarmless) {
    int count = 0;
    EXPECT_EQ(Format("a%nb", &count), "ab");
    EXPECT_EQ(count, 0) << "%n writes nothing";
    EXPECT_EQ(Format("tail %"), "tail %");
    EXPECT_EQ(Format("%y and %d", 3), "%y and 3");
}

TEST(LogFormat, OutputIsCutToTheBuffer) {
    char buf[8];
    EXPECT_EQ(log4z::FormatLogTextF(buf, sizeof(buf), "%s-%d", "abcdef", 12345), 7u);
    EXPECT_STREQ(buf, "abcdef-");
    std::string big(1000, 'z');
    char mid[600];
    EXPECT_EQ(log4z::FormatLogTextF(mid, sizeof(mid), "%s", big.c_str()), 599u);
    char one[1];
    EXPECT_EQ(log4z::FormatLogTextF(one, sizeof(one), "%d", 5), 0u);
    EXPECT_STREQ(one, "");
}
