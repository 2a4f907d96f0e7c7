// Registry keys that the system and every program share, which an uninstall never removes whole:
// the roots, the well-known keys below them (Software, Software\Classes, Software\Microsoft and
// their Windows keys, CLSID, Software\Wow6432Node, the services) and every ancestor of one. The
// folders of the same kind are the protected folders of the file helpers.
#pragma once

#include <string>

namespace sys {

// keyPath as the configuration writes it: four letters naming the root ("HKLM", ...), one
// separator, the subkey. A path with an unknown root counts as shared: it is nobody's to remove.
bool IsSharedRegistryKey(const std::wstring& keyPath);

}  // namespace sys
