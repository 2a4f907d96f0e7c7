#include <cstdlib>

#include "config/ReferenceSources.h"

namespace config {

std::string ReadMachineString(const std::string&, const std::string&) { return {}; }

std::string ReadEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

}  // namespace config
