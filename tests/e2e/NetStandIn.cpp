// Access to the e2e runs' loopback servers.
#include "NetStandIn.h"

#include <cstdlib>

#include "WinTestSupport.h"
#include "net/HttpClient.h"

std::string NetState() {
    const char* state = std::getenv("QY_NET_STATE");
    return state ? state : "";
}

std::map<std::string, std::string> NetEnv() {
    std::map<std::string, std::string> values;
    const std::string text = ReadTextFile(HostPathToWindows(NetState() + "/servers.env"));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return values;
}

void ResetStandIn(const std::string& update) {
    std::string reply;
    CHttpClient client;
    client.Post(update + "/__reset", "{}", reply);
}

void QueueAnswer(const std::string& update, const std::string& endpoint, const nlohmann::json& answer) {
    std::string reply;
    CHttpClient control;
    control.Post(
        update + "/__control",
        nlohmann::json{{"endpoint", endpoint}, {"responses", {{{"status", 200}, {"body", answer.dump()}}}}}
            .dump(),
        reply);
}

nlohmann::json RecordedRequests(const std::string& update) {
    std::string reply;
    CHttpClient client;
    client.Get(update + "/__requests", reply);
    try {
        return nlohmann::json::parse(reply);
    } catch (const nlohmann::json::exception&) {
        return nlohmann::json::array();
    }
}
