#include "StampCommand.h"

#include <cstdio>

#include "RecordStamp.h"
#include "ToolOutput.h"
#include "config/ConfigFile.h"
#include "interface/Maker/PackageBuilder.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/TextConv.h"

namespace {

// A record's facts from the file below base. Its archive is packed at the file's own time, so
// that stamping twice changes nothing; packing states the archive the installer carries.
bool FactsBelow(const std::wstring& base, const std::string& path, bool withArchive, FileFacts& facts,
                std::string& error) {
    const EntrySource source = ResolveEntry(PackFileEntry(path), base);
    if (!ReadFileFacts(source.sourcePath, source.name, nullptr, facts, error)) {
        error = "file '" + path + "' is missing: " + error;
        return false;
    }
    if (!withArchive) return true;
    const pkg::PackTime at = pkg::PackTime::At(static_cast<std::time_t>(facts.timeMs / 1000));
    return ReadFileFacts(source.sourcePath, source.name, &at, facts, error);
}

bool WriteInPlace(const std::wstring& path, const std::string& text) {
    const std::wstring partial = path + L".partial-" + std::to_wstring(sys::CurrentProcessId());
    {
        sys::UniqueFile out = sys::OpenFile(partial, "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() ||
            std::fclose(out.release()) != 0) {
            sys::DeleteOrSchedule(partial);
            return false;
        }
    }
    if (sys::ReplacePath(partial, path)) return true;
    sys::DeleteOrSchedule(partial);
    return false;
}

}  // namespace

int RunStampCommand(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string base;
    bool quiet = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base") {
            if (i + 1 >= args.size()) return Fail(kExitUsage, "--base needs a folder");
            base = args[++i];
        } else if (args[i] == "--quiet") {
            quiet = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return Fail(kExitUsage, "unknown argument '" + args[i] + "' for stamp (see --help)");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty() || base.empty())
        return Fail(kExitUsage, "stamp needs component files and --base (see --help)");
    if (base.back() != '/' && base.back() != '\\') base += '\\';
    const std::wstring baseFolder = sys::Utf8ToWide(base);

    int result = kExitOk;
    for (const std::string& file : files) {
        const std::wstring path = sys::Utf8ToWide(file);
        std::string bytes;
        if (config::ReadConfigFile(path, bytes) != config::ConfigFileRead::Ok) {
            result = Fail(kExitInput, "cannot read '" + file + "'");
            continue;
        }
        const StampOutcome outcome = StampRecords(
            bytes, [&](const std::string& record, bool withArchive, FileFacts& facts, std::string& error) {
                return FactsBelow(baseFolder, record, withArchive, facts, error);
            });
        for (const RecordFault& fault : outcome.faults) {
            ReportAt(file + (fault.line > 0 ? ":" + std::to_string(fault.line) : std::string()),
                     fault.message);
        }
        if (!outcome.faults.empty()) {
            result = Fail(kExitInput, "'" + file + "' was left as it was");
            continue;
        }
        if (outcome.changed && !WriteInPlace(path, outcome.text)) {
            result = Fail(kExitOutput, "cannot write '" + file + "'");
            continue;
        }
        if (!quiet)
            std::printf("Stamped %s: %zu records, %zu changed.\n", file.c_str(), outcome.records,
                        outcome.changed);
    }
    return result;
}
