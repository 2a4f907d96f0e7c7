// The loopback servers of the e2e runs (started by the e2e.net.start fixture): their addresses
// and the update-server stand-in's answers and records.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

// QY_NET_* addresses from the fixture's servers.env.
std::map<std::string, std::string> NetEnv();
std::string NetState();
// Empties the stand-in's queues and records.
void ResetStandIn(const std::string& update);
// Queues one answer of an endpoint ("/soft/update/search", "/soft/uninstall/getTypeList", ...).
void QueueAnswer(const std::string& update, const std::string& endpoint, const nlohmann::json& answer);
// Every request the stand-in recorded since its last reset.
nlohmann::json RecordedRequests(const std::string& update);
