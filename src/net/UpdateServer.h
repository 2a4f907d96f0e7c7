// Where the update server is: a build-time default (https on a reserved .example host), replaced
// by the environment variable QY_UPDATE_SERVER ("https://host:port", no trailing "/") for staging
// servers and tests, where the system can check the signatures of what the web install downloads
// (so another server cannot choose what runs). The three endpoints and the survey's post address
// hang below it.
#pragma once

#include <string>

constexpr char kUpdateServerVariable[] = "QY_UPDATE_SERVER";

std::string UpdateServerBase();
std::string SearchUrl();       // base + "/soft/update/search"
std::string TypeListUrl();     // base + "/soft/uninstall/getTypeList"
std::string ConfirmFormUrl();  // base + "/soft/uninstall/confirmForm"

// A query value with what URL syntax requires percent-encoded: blank, '&', '#', '%', '+', '=',
// '?', control characters and every byte of a non-ASCII character; the rest stays as it is.
std::string EncodeQueryValue(const std::string& value);
