// Identity and content hashes of the item records. The attribute order of each list is part of
// the installed product's identity: changing it makes every installed item look new.
#include <zlib.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "config/ConfigItems.h"

namespace {

uint32_t HashValues(const AttrMap& attrs, std::initializer_list<const char*> names, const std::string& tail = {}) {
    uLong crc = 0;
    for (const char* name : names) {
        std::string_view value = AttrValue(attrs, name);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(value.data()), static_cast<uInt>(value.size()));
    }
    crc = crc32(crc, reinterpret_cast<const Bytef*>(tail.data()), static_cast<uInt>(tail.size()));
    return static_cast<uint32_t>(crc);
}

}  // namespace

void ComputeItemHashes(FileItem& item) {
    item.keyHash = HashValues(item.attrs, {"path", "newpath"});
    item.valueHash = HashValues(item.attrs, {"md5", "time", "size", "os", "platform", "compressSize", "compressmd5",
                                             "type", "isUpgrade", "isInstall", "noDelete"});
}

void ComputeItemHashes(RegItem& item) {
    item.keyHash = HashValues(item.attrs, {"key", "name"});
    item.valueHash = HashValues(item.attrs, {"value", "value_0804", "value_0404", "value_0409", "type"});
}

void ComputeItemHashes(ModuleItem& item) {
    item.keyHash = HashValues(item.attrs, {"path"});
    item.valueHash = HashValues(item.attrs, {"order"});
}

void ComputeItemHashes(ShortcutItem& item) {
    item.keyHash = HashValues(item.itemAttrs, {"link", "argv"}, std::to_string(item.kind));
    item.valueHash = HashValues(item.itemAttrs, {"workdir", "name_0404", "name_0409", "name_0804"});
}

void ComputeItemHashes(DriverItem& item) {
    item.keyHash = HashValues(item.attrs, {"path"});
    item.valueHash = HashValues(item.attrs, {"servicename", "order"});
}

void ComputeItemHashes(RunRuleItem& item) {
    item.keyHash = HashValues(item.attrs, {"executable", "when", "args"});
    item.valueHash = HashValues(item.attrs, {"order", "cmd", "runMode", "bwaitend"});
}
