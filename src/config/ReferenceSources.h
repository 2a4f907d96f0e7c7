// Where the "&!reg:" and "&!env:" references of configuration text take their values from.
#pragma once

#include <string>

namespace config {

// A REG_SZ or REG_EXPAND_SZ value (unexpanded) below HKEY_LOCAL_MACHINE, as UTF-8; empty when the
// key cannot be opened for reading or the value is missing or of another type. There is no
// registry outside Windows: empty there.
std::string ReadMachineString(const std::string& subkey, const std::string& name);
// The environment variable as UTF-8; empty when it is not set.
std::string ReadEnvironment(const std::string& name);

}  // namespace config
