// The web install from the command line: the update-server stand-in announces the sample
// installer, nginx serves it over HTTP/2 in four ranges, the downloaded installer runs silently
// and installs the product.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

#include "InstallerRun.h"
#include "NetStandIn.h"
#include "WinTestSupport.h"
#include "interface/Maker/Md5.h"
#include "net/HttpClient.h"
#include "net/UpdateProtocol.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

// Queues one answer of the stand-in's search endpoint, after a reset.
void Announce(const std::string& update, const nlohmann::json& answer) {
    ResetStandIn(update);
    QueueAnswer(update, "/soft/update/search", answer);
}

std::string Md5Hex(const std::string& bytes) {
    return Md5::Hex(*Md5::Of(bytes.data(), bytes.size()));
}

// The search answer announcing one full package of 16.2: bytes as served from url.
nlohmann::json FullPackage(const std::string& url, const std::string& bytes, const std::string& fileName) {
    return {{"code", 0},
            {"data",
             {{"version", "16.2"},
              {"blockurl",
               {{{"ver_range", "16.2-16.2"},
                 {"url", url},
                 {"md5", Md5Hex(bytes)},
                 {"size", bytes.size()},
                 {"fileName", fileName}}}}}}};
}

// The web installer run as the system would start it, asking the stand-in at update.
InstallerRun RunWebInstaller(const std::wstring& web, const std::string& update) {
    EnvironmentOverride server({L"QY_UPDATE_SERVER"}, sys::Utf8ToWide(update).c_str());
    return RunInstaller(L"/websilent", 180000, web);
}

}  // namespace

TEST(WebInstall, WebSilentDownloadsTheAnnouncedInstallerInRangesAndRunsItSilently) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE") && net.count("QY_NET_HTTPS") && net.count("QY_NET_FILES"))
        << "servers not started";
    // The package the server announces: the sample installer, served by nginx.
    const std::wstring sample = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::string bytes = ReadTextFile(sample);
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(::CopyFileW(sample.c_str(),
                            HostPathToWindows(net.at("QY_NET_FILES") + "/QuillySetup.exe").c_str(), FALSE));
    const nlohmann::json answer = {{"code", 0},
                                   {"data",
                                    {{"version", "16.2"},
                                     {"blockurl",
                                      {{{"ver_range", "16.1-16.2"},
                                        {"url", "http://127.0.0.1:1/patch"},
                                        {"md5", "x"},
                                        {"size", 1},
                                        {"fileName", "p.exe"}},
                                       {{"ver_range", "16.2-16.2"},
                                        {"url", net.at("QY_NET_HTTPS") + "/redirect/QuillySetup.exe"},
                                        {"md5", Md5Hex(bytes)},
                                        {"size", bytes.size()},
                                        {"fileName", "..\\..\\QuillySetup.exe"}}}}}}};
    Announce(net.at("QY_NET_UPDATE"), answer);

    // The web installer is an installer under a name that says product, channel and type; it
    // reads no product from its packages, only its window's skin.
    WinTestFolder downloads;
    const std::wstring web = downloads.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(sample.c_str(), web.c_str(), FALSE));
    const std::wstring accessLog = HostPathToWindows(NetState() + "/nginx-access.log");
    const size_t logged = ReadTextFile(accessLog).size();
    InstallerRun run = RunWebInstaller(web, net.at("QY_NET_UPDATE_TLS"));
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_NE(run.log.find("In_WebInstall, the download was not authenticated: this installer is not signed"),
              std::string::npos)
        << run.log;
    EXPECT_NE(run.log.find("GetDownloadUrl, downloadurl " + net.at("QY_NET_UPDATE_TLS") +
                           "/soft/update/search?channel=web&product=Quilly&ver=1&type=2"),
              std::string::npos)
        << run.log;
    // Saved under the last component of the announced name, inside the download folder.
    EXPECT_TRUE(ReadTextFile(sys::TempFolder() + L"~QYDownload\\QuillySetup.exe") == bytes);
    const std::wstring folder = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), folder) << "the downloaded installer ran";
    // nginx answered four ranges, each after the redirect. (libcurl's Schannel backend built with
    // MinGW offers no ALPN, so over TLS they arrive as HTTP/1.1 here; the native client's test
    // shows the same downloader multiplexed over HTTP/2.)
    const std::string access = ReadTextFile(accessLog).substr(logged);
    size_t ranges = 0;
    for (size_t at = access.find("\"GET /QuillySetup.exe HTTP/"); at != std::string::npos;
         at = access.find("\"GET /QuillySetup.exe HTTP/", at + 1)) {
        if (access.compare(access.find('"', at + 1) + 1, 5, " 206 ") == 0) ++ranges;
    }
    EXPECT_EQ(ranges, 4u) << access;

    InstallerRun uninstall = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.log;

    // A package whose digest does not match is not run.
    nlohmann::json wrong = answer;
    wrong["data"]["blockurl"][1]["md5"] = "00000000000000000000000000000000";
    Announce(net.at("QY_NET_UPDATE"), wrong);
    run = RunWebInstaller(web, net.at("QY_NET_UPDATE"));
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_NE(run.log.find("In_WebInstall, download fail"), std::string::npos) << run.log;
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), L"");
    EXPECT_FALSE(sys::PathExists(sys::TempFolder() + L"~QYDownload\\QuillySetup.exe"))
        << "an unverified file stayed";

    // A device name is never a download target.
    nlohmann::json device = answer;
    device["data"]["blockurl"][1]["fileName"] = "..\\CON.exe";
    Announce(net.at("QY_NET_UPDATE"), device);
    run = RunWebInstaller(web, net.at("QY_NET_UPDATE"));
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_NE(run.log.find("In_WebInstall, refused the file name ..\\CON.exe"), std::string::npos) << run.log;

    // A package that fails (here the bare stub, which has nothing to install) is reported.
    const std::string stub = ReadTextFile(InstallerPath());
    ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(),
                            HostPathToWindows(net.at("QY_NET_FILES") + "/Broken.exe").c_str(), FALSE));
    nlohmann::json broken = answer;
    broken["data"]["blockurl"][1] = {{"ver_range", "16.2-16.2"},
                                     {"url", net.at("QY_NET_HTTP") + "/Broken.exe"},
                                     {"md5", Md5Hex(stub)},
                                     {"size", stub.size()},
                                     {"fileName", "Broken.exe"}};
    Announce(net.at("QY_NET_UPDATE"), broken);
    run = RunWebInstaller(web, net.at("QY_NET_UPDATE"));
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_NE(run.log.find("In_WebInstall, GetExitCodeProcess fail, nret 0 err "), std::string::npos)
        << run.log;
}

TEST(WebInstall, AUserFolderWithABlankAndChineseHoldsTheDownloadAndStartsIt) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE")) << "servers not started";
    const std::wstring sample = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::string bytes = ReadTextFile(sample);
    ASSERT_TRUE(::CopyFileW(sample.c_str(),
                            HostPathToWindows(net.at("QY_NET_FILES") + "/QuillySetup.exe").c_str(), FALSE));
    Announce(net.at("QY_NET_UPDATE"),
             FullPackage(net.at("QY_NET_HTTP") + "/QuillySetup.exe", bytes, "QuillySetup.exe"));
    // The temporary folder of a user named like "John Smith" on a Chinese system: the download
    // goes there by wide paths, and the installer is started with its path quoted.
    const std::wstring temp = L"C:\\users\\John Smith\\临时";
    ASSERT_EQ(sys::CreateFolderTree(temp), 0);
    TempFolderOverride override(temp);
    WinTestFolder downloads;
    const std::wstring web = downloads.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(sample.c_str(), web.c_str(), FALSE));
    InstallerRun run = RunWebInstaller(web, net.at("QY_NET_UPDATE"));
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_TRUE(ReadTextFile(temp + L"\\~QYDownload\\QuillySetup.exe") == bytes)
        << "not downloaded into the user's folder";
    const std::wstring folder = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), folder)
        << "the downloaded installer did not run";
    InstallerRun uninstall = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.log;
}

// The server is checked: the test CA is in the prefix's Root store (e2e.net.trust), so its server
// for localhost answers (the web install above asks it); a self-signed server and one with a
// certificate for another name fail like an unreachable one. (Wine's Schannel accepts any
// certificate; the check that refuses these is curl's own, through crypt32's chain engine, which
// the Windows build uses on Windows too. Certificates are matched by DNS names there, so the
// servers are addressed as localhost.)
TEST(WebInstall, AServerWithoutATrustedCertificateForItsNameIsNotAsked) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_SELFSIGNED")) << "servers not started";
    WinTestFolder downloads;
    const std::wstring web = downloads.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(
        ::CopyFileW(ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE").c_str(), web.c_str(), FALSE));
    for (const char* server : {"QY_NET_SELFSIGNED", "QY_NET_WRONGHOST"}) {
        SCOPED_TRACE(server);
        ResetStandIn(net.at("QY_NET_UPDATE"));
        const InstallerRun run = RunWebInstaller(web, net.at(server));
        EXPECT_EQ(run.exitCode, 1603);
        EXPECT_NE(run.log.find("GetDownloadUrl, HttpGetRequest fail, nret 22"), std::string::npos) << run.log;
        EXPECT_TRUE(RecordedRequests(net.at("QY_NET_UPDATE")).empty()) << "the request went through";
    }
}

// A signed web installer starts only an installer the system trusts and its own publisher signed:
// a certificate renewed with a new key still names the publisher; another publisher under the same
// root, a signed file changed afterwards and an unsigned file are refused and removed.
TEST(WebInstall, ASignedWebInstallerStartsOnlyItsPublishersInstallers) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE_TLS")) << "servers not started";
    const std::wstring signedInstaller = ExecutableFromEnvironment("QY_SIGNED_INSTALLER_EXE");
    const std::wstring stem = signedInstaller.substr(0, signedInstaller.size() - 4);
    WinTestFolder downloads;
    const std::wstring web = downloads.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(signedInstaller.c_str(), web.c_str(), FALSE));
    struct Case {
        const char* what;
        std::wstring file;
        const char* refusal;  // null: accepted
    };
    const Case cases[] = {
        {"another publisher", stem + L"-other.exe", "not by this installer's publisher"},
        {"changed after signing", stem + L"-changed.exe", "its signature is missing or not trusted"},
        {"not signed", ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE"),
         "its signature is missing or not trusted"},
        {"renewed certificate", stem + L"-renewed.exe", nullptr},
    };
    const std::wstring download = sys::TempFolder() + L"~QYDownload\\QuillySetup.exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = ReadTextFile(c.file);
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(::CopyFileW(
            c.file.c_str(), HostPathToWindows(net.at("QY_NET_FILES") + "/QuillySetup.exe").c_str(), FALSE));
        Announce(net.at("QY_NET_UPDATE"),
                 FullPackage(net.at("QY_NET_HTTPS") + "/QuillySetup.exe", bytes, "QuillySetup.exe"));
        const InstallerRun run = RunWebInstaller(web, net.at("QY_NET_UPDATE_TLS"));
        if (c.refusal) {
            EXPECT_EQ(run.exitCode, 1603);
            EXPECT_NE(run.log.find("In_WebInstall, download fail, "), std::string::npos) << run.log;
            EXPECT_NE(run.log.find(c.refusal), std::string::npos) << run.log;
            EXPECT_FALSE(sys::PathExists(download)) << "a refused download is left to be started";
            EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), L"");
        } else {
            EXPECT_EQ(run.exitCode, 0) << run.log;
            EXPECT_NE(run.log.find("signed by \"CN=Quilly Test Publisher, O=Morvane\""), std::string::npos)
                << run.log;
            const std::wstring folder = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
            EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), folder)
                << "the downloaded installer did not run";
            EXPECT_FALSE(sys::PathExists(sys::TempFolder() + L"~QYSetup")) << "setup files stayed";
            EXPECT_EQ(RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe").exitCode, 0);
            continue;
        }
        EXPECT_FALSE(sys::PathExists(sys::TempFolder() + L"~QYSetup"))
            << "the web installer's setup files stayed";
    }
}

TEST(WebInstall, TheSurveyAnswerIsPostedAsTheWindowWroteIt) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE")) << "servers not started";
    std::string reply;
    CHttpClient reset;
    reset.Post(net.at("QY_NET_UPDATE") + "/__reset", "{}", reply);
    // In this process: the C run-time's copy of the environment is what the client reads.
    _putenv_s("QY_UPDATE_SERVER", net.at("QY_NET_UPDATE").c_str());
    CommitInfo(L"{\"content\":\"\",\"mobile\":\"12345\",\"type\":3}");
    CommitInfo(L"{\"content\":\"太慢了\",\"mobile\":\"\",\"type\":0}");
    _putenv_s("QY_UPDATE_SERVER", "");
    std::string recorded;
    CHttpClient requests;
    requests.Get(net.at("QY_NET_UPDATE") + "/__requests", recorded);
    const nlohmann::json seen = nlohmann::json::parse(recorded);
    ASSERT_EQ(seen.size(), 2u) << recorded;
    EXPECT_EQ(seen[0]["path"], "/soft/uninstall/confirmForm");
    EXPECT_EQ(seen[0]["body"], "{\"content\":\"\",\"mobile\":\"12345\",\"type\":3}");
    EXPECT_EQ(seen[1]["body"], "{\"content\":\"太慢了\",\"mobile\":\"\",\"type\":0}");
}

// What the window is told for each failure, recorded by a prompt in the web installer's own
// process: "下载失败" when no package is announced or the download fails its digest, "安装失败"
// when the package cannot be started or ends with a non-zero code (after the install step began).
TEST(WebInstall, EachFailureIsToldToTheWindow) {
    const std::map<std::string, std::string> net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE") && net.count("QY_NET_HTTP")) << "servers not started";
    const std::string files = net.at("QY_NET_FILES");
    const std::string stub = ReadTextFile(InstallerPath());
    ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), HostPathToWindows(files + "/Broken.exe").c_str(), FALSE));
    const std::string text = "not a program\r\n";
    WriteTextFile(HostPathToWindows(files + "/NotAProgram.exe"), text);
    WinTestFolder folder;
    const std::wstring probe = folder.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(ExecutableFromEnvironment("QY_WEB_PROMPT_PROBE_EXE").c_str(), probe.c_str(), FALSE));
    auto entry = [&](const std::string& name, const std::string& bytes, const std::string& md5) {
        return nlohmann::json{{"ver_range", "16.2-16.2"},
                              {"url", net.at("QY_NET_HTTP") + "/" + name},
                              {"md5", md5},
                              {"size", bytes.size()},
                              {"fileName", name}};
    };
    struct Case {
        const char* what;
        nlohmann::json blocks;
        const char* told;
    };
    const Case cases[] = {
        {"no package", nlohmann::json::array(), "error 下载失败\nresult -1\n"},
        {"wrong digest", {entry("Broken.exe", stub, "00000000000000000000000000000000")},
         "error 下载失败\nresult -2\n"},
        {"not a program", {entry("NotAProgram.exe", text, Md5Hex(text))}, "error 安装失败\nresult -3\n"},
        {"non-zero exit", {entry("Broken.exe", stub, Md5Hex(stub))}, "installing\nerror 安装失败\nresult -4\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Announce(net.at("QY_NET_UPDATE"), {{"code", 0}, {"data", {{"version", "16.2"}, {"blockurl", c.blocks}}}});
        EnvironmentOverride server({L"QY_UPDATE_SERVER"}, sys::Utf8ToWide(net.at("QY_NET_UPDATE")).c_str());
        const InstallerRun run = RunCommandLine(L"\"" + probe + L"\"", 120000, probe);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(ReadTextFile(probe + L".prompt.txt"), c.told);
    }
}
