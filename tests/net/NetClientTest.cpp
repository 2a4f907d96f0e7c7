// The network client against real servers on loopback: nginx serves the downloads over HTTP/1.1
// and HTTP/2, a scripted stand-in plays the update server and records what it was sent.
#include <gtest/gtest.h>

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "interface/Maker/Md5.h"
#include "net/Downloader.h"
#include "net/HttpClient.h"
#include "net/TransferPolicy.h"
#include "net/UpdateProtocol.h"
#include "net/UpdateServer.h"
#include "ui/IInstallUIPromptEx.h"

namespace {

std::map<std::string, std::string> ServersEnv() {
    std::map<std::string, std::string> values;
    const char* state = std::getenv("QY_NET_STATE");
    std::ifstream in(std::string(state ? state : "") + "/servers.env");
    std::string line;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

const std::map<std::string, std::string>& Env() {
    static const std::map<std::string, std::string> env = ServersEnv();
    return env;
}

std::string Url(const char* server, const std::string& path) { return Env().at(server) + path; }

// A plain libcurl request to the stand-in's control paths (not through the code under test).
std::string Control(const std::string& path, const std::string& body = "") {
    CURL* curl = curl_easy_init();
    std::string answer;
    curl_easy_setopt(curl, CURLOPT_URL, Url("QY_NET_UPDATE", path).c_str());
    if (!body.empty() || path != "/__requests") curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    });
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return answer;
}

void Queue(const std::string& endpoint, const nlohmann::json& responses) {
    Control("/__control", nlohmann::json{{"endpoint", endpoint}, {"responses", responses}}.dump());
}

nlohmann::json Requests() { return nlohmann::json::parse(Control("/__requests")); }

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Upper case: the downloader compares digests without regard to case.
std::string Md5Hex(const std::string& bytes) {
    std::string hex = Md5::Hex(*Md5::Of(bytes.data(), bytes.size()));
    for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hex;
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

class NetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Env().count("QY_NET_UPDATE")) << "servers not started (QY_NET_STATE)";
        Control("/__reset");
        ClearCookieJar();
        ::setenv(kUpdateServerVariable, Env().at("QY_NET_UPDATE").c_str(), 1);
        GetHttpTimings() = HttpTimings{5, 2, 10, 100, 60};
        net::SetTestRoots(Env().at("QY_NET_CA"));
        m_files = std::getenv("QY_NET_FILES");
        m_out = std::string(std::getenv("QY_NET_STATE")) + "/download.bin";
    }
    std::string m_files, m_out;
};

struct Recorder final : IInstallUIPromptEx {
    void NotifyUpdateWnd(std::string text) override { received.push_back(text); }
    std::vector<std::string> received;
};

uint32_t g_calls = 0, g_lastReceived = 0, g_lastTotal = 0;
void CountProgress(uint32_t total, uint32_t received, double) {
    ++g_calls;
    g_lastTotal = total;
    g_lastReceived = received;
}

}  // namespace

TEST_F(NetTest, RequestsKeepCookiesRetryFromAnEmptyAnswerAndGiveUpAfterFourTransfers) {
    std::string body;
    EXPECT_EQ(HttpGetRequest(TypeListUrl(), body), kHttpOk);
    EXPECT_EQ(HttpGetRequest(TypeListUrl(), body), kHttpOk);
    Queue("/soft/uninstall/getTypeList", {{{"status", 500}, {"body", "error page"}}, {{"status", 200}, {"body", "{\"code\":0}"}}});
    EXPECT_EQ(HttpGetRequest(TypeListUrl(), body), kHttpOk);
    EXPECT_EQ(body, "{\"code\":0}") << "the failed try's page is not kept";
    nlohmann::json seen = Requests();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0]["cookie"].is_null()) << "the first request of the process sends no cookie";
    EXPECT_EQ(seen[1]["cookie"], "qysession=1");
    EXPECT_EQ(seen[3]["cookie"], "qysession=2") << "the cookies of the last successful request";
    EXPECT_EQ(CookieJarLines().size(), 1u);

    Control("/__reset");
    Queue("/soft/uninstall/getTypeList", nlohmann::json::array({{{"status", 500}}, {{"status", 500}}, {{"status", 500}}, {{"status", 500}}}));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpGetRequest(TypeListUrl(), body), kHttpFailed);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(Requests().size(), 4u) << "two attempts of two tries";
    EXPECT_GE(seconds, 0.2) << "4 x 10 ms and 2 x 100 ms of waiting";

    Control("/__reset");
    Queue("/soft/uninstall/getTypeList", {{{"delay", 4}}, {{"reset", true}}, {{"status", 500}}, {{"status", 500}}});
    EXPECT_EQ(HttpGetRequest(TypeListUrl(), body), kHttpFailed) << "too slow, reset, and errors";
    EXPECT_EQ(HttpPostRequest("{\"content\":\"\",\"mobile\":\"12345\",\"type\":3}", body), kHttpOk);
    seen = Requests();
    EXPECT_EQ(seen.back()["method"], "POST");
    EXPECT_EQ(seen.back()["path"], "/soft/uninstall/confirmForm");
    EXPECT_EQ(seen.back()["body"], "{\"content\":\"\",\"mobile\":\"12345\",\"type\":3}");
}

TEST_F(NetTest, TheSearchAnswerDecidesThePackageOrTheFailure) {
    const std::wstring self = L"C:\\Users\\John Smith\\Downloads\\Quilly Tarn#web#2.exe";
    const std::string good = R"({"code":0,"data":{"version":"2.0","blockurl":[
        {"ver_range":"1.0-2.0","url":"http://x/patch","md5":"a","size":1,"fileName":"p.exe"},
        {"ver_range":"2.0-2.0","url":"http://x/full","md5":"0123","size":1234,"fileName":"Quilly.exe"}]}})";
    const std::pair<std::string, int> cases[] = {
        {good, 0},
        {"", -2},
        {"null", -3},
        {R"({"code":1,"data":{"version":"2.0","blockurl":[]}})", -4},
        {"<html>not json</html>", -4},
        {R"({"code":0,"data":{"version":"2.0","blockurl":[{"ver_range":"2.0-2.0","url":"u","md5":"m","fileName":"f"}]}})", -4},
        {R"({"code":0,"data":{"version":"2.0","blockurl":[{"ver_range":"1.0-2.0","url":"u","md5":"m","size":1,"fileName":"f"}]}})", -6},
        {R"({"code":0,"data":{"version":"2.0"}})", -6},
    };
    for (const auto& each : cases) {
        Control("/__reset");
        // An empty answer stays empty over every try.
        Queue("/soft/update/search", nlohmann::json::array({{{"status", 200}, {"body", each.first}}, {{"status", 200}, {"body", each.first}},
                                                            {{"status", 200}, {"body", each.first}}, {{"status", 200}, {"body", each.first}}}));
        PackageInfo package;
        EXPECT_EQ(GetDownloadUrl(self, package), each.second) << each.first;
        if (each.second == 0) {
            EXPECT_EQ(package.url, "http://x/full");
            EXPECT_EQ(package.size, 1234);
            EXPECT_EQ(package.fileName, "Quilly.exe");
            EXPECT_EQ(Requests()[0]["query"], "channel=web&product=Quilly%20Tarn&ver=1&type=2");
        }
    }
    PackageInfo unused;
    EXPECT_EQ(GetDownloadUrl(L"C:\\d\\QuillySetup.exe", unused), -1);

    Control("/__reset");
    const std::string reasons = R"({"code":0,"msg":"","data":{"type_list":[]}})";
    Queue("/soft/uninstall/getTypeList", {{{"status", 200}, {"body", reasons}}});
    Recorder window;
    EXPECT_EQ(GetTypeList(&window), 0);
    EXPECT_EQ(window.received, std::vector<std::string>{reasons}) << "handed on unchanged";

    Control("/__reset");
    CommitInfo(L"");
    EXPECT_TRUE(Requests().empty()) << "nothing chosen, nothing sent";
    CommitInfo(L"{\"content\":\"太慢\",\"mobile\":\"\",\"type\":0}");
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0]["body"], "{\"content\":\"太慢\",\"mobile\":\"\",\"type\":0}");
}

TEST_F(NetTest, DownloadsInFourRangesOverHttp1AndHttp2AndFollowsRedirects) {
    const std::string payload = FileBytes(m_files + "/payload.bin");
    ASSERT_FALSE(payload.empty());
    for (const char* server : {"QY_NET_HTTP", "QY_NET_HTTPS"}) {
        for (const char* path : {"/payload.bin", "/redirect/payload.bin"}) {
            g_calls = 0;
            const std::string url = Url(server, path);
            const std::string accessLog = std::string(std::getenv("QY_NET_STATE")) + "/nginx-access.log";
            const size_t logged = FileBytes(accessLog).size();
            CDownloader download(url, url, m_out, Md5Hex(payload), &CountProgress, 4);
            EXPECT_TRUE(download.Download()) << url;
            if (std::string(server) == "QY_NET_HTTPS" && std::string(path) == "/payload.bin") {
                // Over TLS the four ranges are streams of one HTTP/2 connection.
                std::istringstream lines(FileBytes(accessLog).substr(logged));
                std::set<std::string> connections;
                size_t ranges = 0;
                for (std::string line; std::getline(lines, line);) {
                    if (line.find("\"GET /payload.bin HTTP/2.0\" 206 ") == std::string::npos) continue;
                    ++ranges;
                    connections.insert(line.substr(line.rfind("conn=")));
                }
                EXPECT_EQ(ranges, 4u);
                EXPECT_EQ(connections.size(), 1u);
            }
            EXPECT_EQ(FileBytes(m_out), payload) << url;
            EXPECT_GT(g_calls, 0u);
            EXPECT_EQ(g_lastTotal, payload.size());
            EXPECT_EQ(g_lastReceived, payload.size());
            for (unsigned i = 0; i < 4; ++i) EXPECT_FALSE(Exists(CDownloader::PartName(m_out, i))) << "part files removed";
        }
    }
    const std::string tiny = Url("QY_NET_HTTPS", "/tiny.bin");
    CDownloader small(tiny, tiny, m_out, "", nullptr, 4);
    EXPECT_TRUE(small.Download());
    EXPECT_EQ(FileBytes(m_out), "abc") << "three bytes in three parts";
}

TEST_F(NetTest, AWrongFileNeverPassesAsADownload) {
    const std::string url = Url("QY_NET_HTTPS", "/payload.bin");
    CDownloader wrongDigest(url, url, m_out, "00000000000000000000000000000000", nullptr, 4);
    EXPECT_FALSE(wrongDigest.Download());
    EXPECT_FALSE(Exists(m_out)) << "nothing unverified is left to be started";
    for (unsigned i = 0; i < 4; ++i) EXPECT_FALSE(Exists(CDownloader::PartName(m_out, i)));

    const std::string payload = FileBytes(m_files + "/payload.bin");
    CDownloader otherSize(url, url, m_out, Md5Hex(payload), nullptr, 4);
    otherSize.ExpectSize(payload.size() - 1);
    EXPECT_FALSE(otherSize.Download()) << "not the size the server announced";
    EXPECT_FALSE(Exists(m_out));

    g_calls = 0;
    const std::string missing = Url("QY_NET_HTTP", "/missing");
    CDownloader notFound(missing, missing, m_out, "", &CountProgress, 4);
    EXPECT_FALSE(notFound.Download()) << "a 404 page is not a file";
    EXPECT_EQ(g_calls, 0u);
    EXPECT_FALSE(Exists(m_out));

    // A server that ignores Range sends the whole file to every part: that is not the file.
    const std::string whole = Url("QY_NET_UPDATE", "/files/payload.bin");
    CDownloader ignoresRanges(whole, whole, m_out, "", nullptr, 4);
    EXPECT_FALSE(ignoresRanges.Download());
    for (unsigned i = 0; i < 4; ++i) EXPECT_FALSE(Exists(CDownloader::PartName(m_out, i)));
    CDownloader onePart(whole, whole, m_out, "", nullptr, 1);
    EXPECT_TRUE(onePart.Download()) << "a 200 with the whole file is right for a single part";
    EXPECT_EQ(FileBytes(m_out), FileBytes(m_files + "/payload.bin"));
}

// A server is only what its certificate says: one the system's roots do not vouch for, or one
// issued for another name, fails like a server that cannot be reached.
TEST_F(NetTest, ServersWithoutATrustedCertificateForTheirNameAreUnreachable) {
    std::string body;
    EXPECT_EQ(HttpGetRequest(Url("QY_NET_HTTPS", "/tiny.bin"), body), kHttpOk);
    EXPECT_EQ(body, "abc");
    for (const char* server : {"QY_NET_SELFSIGNED", "QY_NET_WRONGHOST"}) {
        EXPECT_EQ(HttpGetRequest(Url(server, "/tiny.bin"), body), kHttpFailed) << server;
        EXPECT_EQ(body, "");
        const std::string url = Url(server, "/payload.bin");
        CDownloader download(url, url, m_out, "", nullptr, 4);
        EXPECT_FALSE(download.Download()) << server;
        EXPECT_FALSE(Exists(m_out));
    }

    const std::string answer = R"({"code":0,"data":{"version":"2.0","blockurl":[
        {"ver_range":"2.0-2.0","url":"https://x/full","md5":"0123","size":1234,"fileName":"Quilly.exe"}]}})";
    const std::wstring self = L"C:\\d\\Quilly#web#2.exe";
    for (const auto& [server, expected] : {std::pair<const char*, int>{"QY_NET_UPDATE_TLS", 0},
                                           {"QY_NET_SELFSIGNED", -2},
                                           {"QY_NET_WRONGHOST", -2}}) {
        Control("/__reset");
        Queue("/soft/update/search", {{{"status", 200}, {"body", answer}}});
        ::setenv(kUpdateServerVariable, Env().at(server).c_str(), 1);
        PackageInfo package;
        EXPECT_EQ(GetDownloadUrl(self, package), expected) << server;
        EXPECT_EQ(Requests().size(), expected == 0 ? 1u : 0u) << "a refused server is never asked";
    }
}

// Only a whole answer with a success status is read: an error page, a body cut off and an answer
// past the limit all fail as the transport, and the window gets none of them.
TEST_F(NetTest, OnlyAWholeSuccessfulAnswerIsRead) {
    const std::string good = R"({"code":0,"data":{"version":"2.0","blockurl":[
        {"ver_range":"2.0-2.0","url":"https://x/full","md5":"0123","size":1234,"fileName":"Quilly.exe"}]}})";
    const nlohmann::json oversized = {
        {"status", 200}, {"body", "{\"code\":0,\"pad\":\"" + std::string(kMaxAnswerBytes, 'x') + "\"}"}};
    const std::pair<const char*, nlohmann::json> cases[] = {
        {"error page", {{"status", 500}, {"body", good}}},
        {"half a body", {{"status", 200}, {"body", good}, {"cut", 20}}},
        {"past the limit", oversized},
    };
    for (const auto& [what, reply] : cases) {
        Control("/__reset");
        Queue("/soft/update/search", nlohmann::json::array({reply, reply, reply, reply}));
        PackageInfo package;
        EXPECT_EQ(GetDownloadUrl(L"C:\\d\\Quilly#web#2.exe", package), -2) << what;
        EXPECT_EQ(Requests().size(), 4u) << what;
        Control("/__reset");
        Queue("/soft/uninstall/getTypeList", nlohmann::json::array({reply, reply, reply, reply}));
        Recorder window;
        EXPECT_EQ(GetTypeList(&window), -2) << what;
        EXPECT_TRUE(window.received.empty()) << what;
    }
}

// A range that stops flowing ends the download as failed instead of holding it for ever.
TEST_F(NetTest, AStalledRangeFailsTheDownload) {
    GetHttpTimings().stallSeconds = 1;
    const std::string url = Url("QY_NET_UPDATE", "/files/payload.bin");
    // The size query is answered as usual, the range sends half and then nothing for 30 s.
    Queue("/files/payload.bin", nlohmann::json::array({{{"delay", 0}}, {{"stall", 30}}}));
    const auto start = std::chrono::steady_clock::now();
    CDownloader download(url, url, m_out, "", nullptr, 1);
    EXPECT_FALSE(download.Download());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0)
        << "the download waited for the server";
    EXPECT_FALSE(Exists(m_out));
    EXPECT_FALSE(Exists(CDownloader::PartName(m_out, 0)));
}
