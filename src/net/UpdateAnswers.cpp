#include "net/UpdateAnswers.h"

#include <nlohmann/json.hpp>

#include <limits>

#include "common/log/log4z.h"

namespace {

constexpr char kLogSource[] = "QYPM";

// A number as a 32-bit integer. The JSON library converts any number with a plain cast, which for
// a fraction beyond the range (1e400) is undefined and for a large integer wraps: such a value is
// refused here as out of range, with the library's own exception. What is no number at all gets
// the library's type error.
int32_t ReadInt32(const nlohmann::json& value) {
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<int32_t>::max();
    bool fits = true;
    if (value.is_number_unsigned()) {
        fits = value.get<uint64_t>() <= static_cast<uint64_t>(kHighest);
    } else if (value.is_number_integer()) {
        const int64_t number = value.get<int64_t>();
        fits = number >= static_cast<int64_t>(kLowest) && number <= static_cast<int64_t>(kHighest);
    } else if (value.is_number_float()) {
        const double number = value.get<double>();
        fits = number >= kLowest && number <= kHighest;  // false for NaN too
    }
    if (!fits)
        throw nlohmann::json::out_of_range::create(
            406, "number out of the range of a 32-bit integer: " + value.dump(), &value);
    return value.get<int32_t>();
}

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
        const int code = ReadInt32(root["code"]);
        const std::string version = data["version"].get<std::string>();
        if (code != 0) {
            QYLOG_ERROR("GetDownloadUrl, code or version exception, code %d version %s", code,
                        version.c_str());
            return -4;
        }
        const std::string key = version + "-" + version;
        for (nlohmann::json& block : blocks) {
            if (block["ver_range"].get<std::string>() != key) continue;
            package.url = block["url"].get<std::string>();
            package.md5 = block["md5"].get<std::string>();
            package.size = ReadInt32(block["size"]);
            package.fileName = block["fileName"].get<std::string>();
            break;
        }
        // A size below zero is as empty as none.
        if (!package.url.empty() && !package.md5.empty() && !package.fileName.empty() && package.size > 0)
            return 0;
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
        (void)ReadInt32(answer.at("code"));
        (void)answer.at("msg").get<std::string>();
        const nlohmann::json& list = answer.at("data").at("type_list");
        // A null or an object would read as no reasons, or as the object's values.
        if (!list.is_array()) {
            reasons.clear();
            error = std::string("type_list must be an array, but is ") + list.type_name();
            return false;
        }
        for (const nlohmann::json& entry : list) {
            reasons.push_back(SurveyReason{ReadInt32(entry.at("id")), entry.at("name").get<std::string>()});
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
        const int code = ReadInt32(root["code"]);
        if (code == 0) return 0;
        QYLOG_ERROR("CommitInfo, post return data code is %d, url %s", code, address.c_str());
    } catch (const nlohmann::json::exception& e) {
        QYLOG_ERROR("CommitInfo: json exception, errmsg %s", e.what());
    }
    return -1;
}
