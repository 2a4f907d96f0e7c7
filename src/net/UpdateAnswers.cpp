#include "net/UpdateAnswers.h"

#include <nlohmann/json.hpp>

#include "common/log/log4z.h"

namespace {

constexpr char kLogSource[] = "QYPM";

}  // namespace

int ParseSearchAnswer(const std::string& body, const std::string& address, PackageInfo& package) {
    try {
        nlohmann::json root = nlohmann::json::parse(body);
        if (root.is_null()) {
            QYLOG_ERROR("GetDownloadUrl, json::parse fail, url %s", address.c_str());
            return -3;
        }
        nlohmann::json& data = root["data"];
        nlohmann::json& blocks = data["blockurl"];
        const int code = root["code"].get<int>();
        const std::string version = data["version"].get<std::string>();
        if (code != 0) {
            QYLOG_ERROR("GetDownloadUrl, code or version exception, code %d version %s", code, version.c_str());
            return -4;
        }
        const std::string key = version + "-" + version;
        for (nlohmann::json& block : blocks) {
            if (block["ver_range"].get<std::string>() != key) continue;
            package.url = block["url"].get<std::string>();
            package.md5 = block["md5"].get<std::string>();
            package.size = block["size"].get<int32_t>();
            package.fileName = block["fileName"].get<std::string>();
            break;
        }
        if (!package.url.empty() && !package.md5.empty() && !package.fileName.empty() && package.size != 0) return 0;
        QYLOG_FATAL("GetDownloadUrl, not find new package, url %s", address.c_str());
        return -6;
    } catch (const nlohmann::json::exception& e) {
        QYLOG_ERROR("GetDownloadUrl: json exception, errmsg %s", e.what());
        return -4;
    }
}

bool ParseTypeList(const std::string& body, std::vector<SurveyReason>& reasons, std::string& error) {
    reasons.clear();
    try {
        const nlohmann::json answer = nlohmann::json::parse(body);
        (void)answer.at("code").get<int>();
        (void)answer.at("msg").get<std::string>();
        for (const nlohmann::json& entry : answer.at("data").at("type_list")) {
            reasons.push_back(SurveyReason{entry.at("id").get<int>(), entry.at("name").get<std::string>()});
        }
        return true;
    } catch (const nlohmann::json::exception& e) {
        reasons.clear();
        error = e.what();
        return false;
    }
}

int ParseConfirmAnswer(const std::string& body, const std::string& address) {
    try {
        nlohmann::json root = nlohmann::json::parse(body);
        if (root.is_null()) {
            QYLOG_ERROR("CommitInfo, json::parse fail, url %s", address.c_str());
            return -1;
        }
        const int code = root["code"].get<int>();
        if (code == 0) return 0;
        QYLOG_ERROR("CommitInfo, post return data code is %d, url %s", code, address.c_str());
    } catch (const nlohmann::json::exception& e) {
        QYLOG_ERROR("CommitInfo: json exception, errmsg %s", e.what());
    }
    return -1;
}
