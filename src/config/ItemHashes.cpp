// Identity and content hashes of the item records. The attribute order of each list is part of
// the installed product's identity: changing it makes every installed item look new.
#include <zlib.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "config/ConfigItems.h"

namespace {

// CRC-32 over values given piece by piece. A hash spans a dozen short values, so they are gathered
// in a buffer and handed to zlib in one call rather than one call each.
class Crc32Stream {
public:
    void Append(std::string_view piece) {
        if (piece.empty()) return;  // an absent attribute's view has no data to copy from
        if (piece.size() > sizeof(m_buffer) - m_used) {
            Flush();
            if (piece.size() > sizeof(m_buffer)) {
                Update(piece.data(), piece.size());
                return;
            }
        }
        std::memcpy(m_buffer + m_used, piece.data(), piece.size());
        m_used += piece.size();
    }
    uint32_t Finish() {
        Flush();
        return static_cast<uint32_t>(m_crc);
    }

private:
    void Update(const char* data, size_t size) {
        m_crc = crc32_z(m_crc, reinterpret_cast<const Bytef*>(data), size);
    }
    void Flush() {
        Update(m_buffer, m_used);
        m_used = 0;
    }

    uLong m_crc = 0;
    size_t m_used = 0;
    char m_buffer[512];
};

uint32_t HashValues(const AttrMap& attrs, std::initializer_list<std::string_view> names, std::string_view tail = {}) {
    Crc32Stream crc;
    for (std::string_view name : names) crc.Append(AttrValue(attrs, name));
    crc.Append(tail);
    return crc.Finish();
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
