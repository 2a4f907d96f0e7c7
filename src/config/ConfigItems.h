// The six item records of a component file. Each keeps every attribute of its element as text
// plus two CRC-32 hashes: keyHash over the identity attributes, valueHash over the content ones,
// which is all the difference check compares. Records are values; copies are deep.
#pragma once

#include <cstdint>

#include "config/AttrMap.h"

enum ShortcutKind : int32_t {
    SK_DESKTOP = 1,
    SK_STARTMENU = 2,
    SK_QUICKLAUNCH = 3,
};

struct FileItem {
    bool diskChanged = false;
    bool skip = false;
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    AttrMap attrs;
};

struct RegItem {
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    AttrMap attrs;
};

struct ModuleItem {
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    AttrMap attrs;
    bool disabled = false;
};

struct ShortcutItem {
    int32_t kind = 0;  // ShortcutKind
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    bool disabled = false;
    AttrMap folderAttrs;  // start-menu folder names; empty for the other kinds
    AttrMap itemAttrs;
};

struct DriverItem {
    AttrMap attrs;
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    bool disabled = false;
};

struct RunRuleItem {
    uint32_t keyHash = 0;
    uint32_t valueHash = 0;
    bool disabled = false;
    AttrMap attrs;
};

// Fill keyHash and valueHash from the record's attributes (zlib's crc32 from 0 over the values
// concatenated without separators; absent attributes count as empty text).
void ComputeItemHashes(FileItem& item);
void ComputeItemHashes(RegItem& item);
void ComputeItemHashes(ModuleItem& item);
void ComputeItemHashes(ShortcutItem& item);
void ComputeItemHashes(DriverItem& item);
void ComputeItemHashes(RunRuleItem& item);
