// The network client's rules that need no server: byte ranges, part names, the installer's file
// name and the search request's query string.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "net/BackgroundDigest.h"
#include "net/Downloader.h"
#include "net/UpdateProtocol.h"
#include "net/UpdateServer.h"

namespace {

using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

}  // namespace

TEST(NetRules, RangesCoverTheFileInOrderAndSmallFilesInFewerParts) {
    EXPECT_EQ(CDownloader::Ranges(10, 4), (Ranges{{0, 1}, {2, 3}, {4, 5}, {6, 9}}));
    EXPECT_EQ(CDownloader::Ranges(3, 4), (Ranges{{0, 0}, {1, 1}, {2, 2}})) << "never an empty or negative range";
    EXPECT_EQ(CDownloader::Ranges(1, 4), (Ranges{{0, 0}}));
    EXPECT_TRUE(CDownloader::Ranges(0, 4).empty());
    EXPECT_EQ(CDownloader::Ranges(5000000000ull, 4).back(), (std::pair<uint64_t, uint64_t>{3750000000ull, 4999999999ull}));
    const std::string longPath = "/tmp/" + std::string(200, 'x') + "/Quilly#web#2.exe";
    EXPECT_EQ(CDownloader::PartName(longPath, 3), longPath + "-3") << "no truncation";
}

TEST(NetRules, TheInstallersFileNameNamesProductChannelAndType) {
    InstallerNameInfo info;
    ASSERT_EQ(ParseFileName(L"C:\\Users\\John Smith\\Downloads\\Tool#web#2.exe", info), 0);
    EXPECT_EQ(info.product, "Tool");
    EXPECT_EQ(info.channel, "web");
    EXPECT_EQ(info.type, 2);
    EXPECT_EQ(info.ver, 1);
    InstallerNameInfo seven;
    ASSERT_EQ(ParseFileName(L"/downloads/塔恩#beta#7x.exe", seven), 0);
    EXPECT_EQ(seven.product, "塔恩");
    EXPECT_EQ(seven.type, 7);
    InstallerNameInfo other;
    ASSERT_EQ(ParseFileName(L"C:\\d\\Tool#web#x.exe", other), 0);
    EXPECT_EQ(other.type, 2) << "a non-digit reads as 0, which means 2";
    InstallerNameInfo two;
    ASSERT_EQ(ParseFileName(L"C:\\d\\Tool#web.exe", two), 0);
    EXPECT_EQ(two.type, 0);
    InstallerNameInfo none;
    EXPECT_EQ(ParseFileName(L"C:\\d\\QuillySetup.exe", none), -3);
    EXPECT_EQ(ParseFileName(L"C:\\d\\", none), -2);
}

TEST(NetRules, TheSearchQueryIsExactAndItsValuesAreEncoded) {
    ::setenv(kUpdateServerVariable, "http://127.0.0.1:8123/", 1);
    InstallerNameInfo info;
    ASSERT_EQ(ParseFileName(L"C:\\d\\Tool#web#2.exe", info), 0);
    EXPECT_EQ(SearchAddress(info), "http://127.0.0.1:8123/soft/update/search?channel=web&product=Tool&ver=1&type=2");
    info.product = "Quilly Tarn&Co#1";
    info.channel = "正式+100%";
    EXPECT_EQ(SearchAddress(info), "http://127.0.0.1:8123/soft/update/search?channel=%E6%AD%A3%E5%BC%8F%2B100%25"
                                   "&product=Quilly%20Tarn%26Co%231&ver=1&type=2");
    EXPECT_EQ(ConfirmFormUrl(), "http://127.0.0.1:8123/soft/uninstall/confirmForm");
    ::unsetenv(kUpdateServerVariable);
    EXPECT_EQ(TypeListUrl(), "https://update.quilly.example/soft/uninstall/getTypeList")
        << "the built-in default";
}

// The digest hashed beside the download's join is the digest of the bytes in their order, for
// inputs that end before, on and after a batch boundary and that span several batches.
TEST(NetRules, TheBackgroundDigestMatchesTheDirectOne) {
    std::string bytes(3 * 64 + 29, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + 7);
    for (size_t length : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, bytes.size()}) {
        for (size_t piece : {size_t{1}, size_t{10}, size_t{200}}) {
            BackgroundDigest digest(64);
            for (size_t at = 0; at < length; at += piece) digest.Update(bytes.data() + at, std::min(piece, length - at));
            EXPECT_EQ(Md5::Hex(*digest.Final()), Md5::Hex(*Md5::Of(bytes.data(), length)))
                << length << " bytes in pieces of " << piece;
        }
    }
}

// Numbers a 32-bit field cannot hold are refused as the wrong JSON, never converted: a fraction
// past the range was undefined behaviour, a large size wrapped into another one.
TEST(NetRules, AnswerNumbersOutsideTheirRangeAreRefused) {
    const auto search = [](const std::string& code, const std::string& size) {
        PackageInfo package;
        return ParseSearchAnswer(R"({"code":)" + code +
                                     R"(,"data":{"version":"2","blockurl":[{"ver_range":"2-2",)"
                                     R"("url":"u","md5":"m","fileName":"f","size":)" +
                                     size + "}]}}",
                                 "https://x/search", package);
    };
    EXPECT_EQ(search("0", "1234"), 0);
    EXPECT_EQ(search("1e400", "1234"), -4);
    EXPECT_EQ(search("0", "3000000000"), -4);
    EXPECT_EQ(search("0", "-5"), -6) << "a size below zero names no package";
    std::vector<SurveyReason> reasons;
    std::string error;
    EXPECT_TRUE(
        ParseTypeList(R"({"code":0,"msg":"","data":{"type_list":[{"id":3,"name":"慢"}]}})", reasons, error));
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons[0].name, "慢");
    EXPECT_FALSE(ParseTypeList(R"({"code":0,"msg":"","data":{"type_list":[{"id":1e99,"name":"x"}]}})",
                               reasons, error));
    EXPECT_TRUE(reasons.empty());
    EXPECT_NE(error.find("out of the range"), std::string::npos) << error;
    for (const char* list : {"null", R"({"a":{"id":1,"name":"x"}})"}) {
        EXPECT_FALSE(ParseTypeList(std::string(R"({"code":0,"msg":"","data":{"type_list":)") + list + "}}", reasons, error))
            << list;
        EXPECT_NE(error.find("type_list"), std::string::npos) << error;
    }
    EXPECT_EQ(ParseConfirmAnswer(R"({"code":-1e300})", "https://x/confirm"), -1);
}
