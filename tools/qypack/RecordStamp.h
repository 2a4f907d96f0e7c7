// Stamping file records: the md5, size and time attributes of every Files/file element of a
// component file (and compressmd5 and compressSize where the element has them) set from the
// real file. Only those values change: every other byte of the document (attributes, their
// order and quotes, comments, encoding, line ends) stays as written.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FileFacts.h"

struct RecordFault {
    int line = 0;
    std::string message;
};

struct StampOutcome {
    bool readable = false;  // false: the document does not parse (faults hold why)
    std::string text;       // the document with its records stamped
    size_t records = 0;
    size_t changed = 0;               // records whose values were not already the file's
    std::vector<RecordFault> faults;  // records whose file could not be read
};

// The facts of the file a record's path names; false with a message when there is none.
// withArchive: the record also states its stored archive.
using RecordFacts =
    std::function<bool(const std::string& path, bool withArchive, FileFacts& facts, std::string& error)>;

StampOutcome StampRecords(const std::string& document, const RecordFacts& factsOf);
