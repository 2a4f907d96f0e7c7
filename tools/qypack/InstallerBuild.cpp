#include "InstallerBuild.h"

#include <algorithm>
#include <map>
#include <thread>

#include "EntryList.h"
#include "PackContents.h"
#include "ProductCheck.h"
#include "ProductFolder.h"
#include "RecordStamp.h"
#include "ToolOutput.h"
#include "config/ConfigFile.h"
#include "interface/Maker/PackageFormat.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/TextConv.h"

namespace {

// Reads the lists; every entry must be readable and stay inside the package.
bool CollectEntries(const std::vector<std::string>& lists, const std::string& baseFolder,
                    PackContents& contents, std::string& error) {
    const std::wstring base = sys::Utf8ToWide(baseFolder);
    for (const auto& list : lists) {
        EntryListResult read = ReadEntryList(sys::Utf8ToWide(list));
        if (!read.ok) {
            error = read.error;
            return false;
        }
        for (const auto& attrs : read.entries) {
            ToolEntry entry;
            entry.entry.path = std::string(AttrValue(attrs, "path"));
            entry.entry.newpath = std::string(AttrValue(attrs, "newpath"));
            entry.source = ResolveEntry(entry.entry, base);
            entry.list = list;
            if (!pkg::IsSafeItemName(entry.source.name)) {
                error = "entry '" + entry.entry.path + "' in '" + list + "' would be stored as '" +
                        sys::WideToUtf8(entry.source.name) + "', which leaves the target folder";
                return false;
            }
            if (!sys::OpenFile(entry.source.sourcePath, "rb")) {
                error = "cannot read '" + sys::WideToUtf8(entry.source.sourcePath) + "' (listed in '" + list +
                        "')";
                return false;
            }
            contents.Add(std::move(entry));
        }
    }
    return true;
}

// The product's component files in both packages get their records stamped from the files the
// program package carries. Returns the records stamped; faults of records that cannot be stamped.
size_t StampComponentFiles(const ProductLayout& layout, PackContents& program, PackContents& setup,
                           const pkg::PackTime& packTime, std::vector<ProductFault>& faults) {
    std::map<std::pair<std::wstring, bool>, FileFacts> known;
    const RecordFacts factsOf = [&](const std::string& path, bool withArchive, FileFacts& facts,
                                    std::string& error) {
        const ToolEntry* file = program.Find(sys::Utf8ToWide(path));
        if (!file) {
            error = "file '" + path + "' is not in the program package";
            return false;
        }
        const auto key = std::make_pair(EntryKey(file->source.name), withArchive);
        const auto found = known.find(key);
        if (found != known.end()) {
            facts = found->second;
            return true;
        }
        if (!ReadFileFacts(file->source.sourcePath, file->source.name, withArchive ? &packTime : nullptr,
                           facts, error))
            return false;
        known.emplace(key, facts);
        return true;
    };
    size_t stamped = 0;
    std::map<std::wstring, std::shared_ptr<const std::string>> bySource;
    for (const std::wstring& name : layout.componentFiles) {
        std::vector<ToolEntry*> copies = setup.FindAll(name);
        for (ToolEntry* copy : program.FindAll(name)) copies.push_back(copy);
        for (ToolEntry* copy : copies) {
            auto& content = bySource[copy->source.sourcePath];
            if (!content) {
                std::string bytes;
                if (config::ReadConfigFile(copy->source.sourcePath, bytes) != config::ConfigFileRead::Ok)
                    continue;
                StampOutcome outcome = StampRecords(bytes, factsOf);
                const std::string file = ShownPath(copy->source.sourcePath);
                for (const RecordFault& fault : outcome.faults)
                    faults.push_back({file, fault.line, fault.message});
                if (!outcome.readable) continue;
                stamped += outcome.records;
                content = std::make_shared<const std::string>(std::move(outcome.text));
            }
            copy->entry.content = content;
        }
    }
    return stamped;
}

void ReportFaults(const std::vector<ProductFault>& faults) {
    for (const ProductFault& fault : faults) {
        ReportAt(fault.file + (fault.line > 0 ? ":" + std::to_string(fault.line) : std::string()),
                 fault.message);
    }
}

}  // namespace

int BuildInstaller(const BuildOptions& options) {
    const std::wstring stub = sys::Utf8ToWide(options.stub);
    if (!sys::OpenFile(stub, "rb")) return Fail(kExitInput, "cannot read stub '" + options.stub + "'");
    PackContents program, setup;
    std::string error;
    const bool collected =
        options.productFolder.empty()
            ? CollectEntries(options.programLists, options.programBase, program, error) &&
                  CollectEntries(options.setupLists, options.setupBase, setup, error)
            : CollectProductFolder(sys::Utf8ToWide(options.productFolder),
                                   sys::Utf8ToWide(options.programBase), program, setup, error);
    if (!collected) return Fail(kExitInput, error);

    std::vector<ProductFault> faults;
    const ProductLayout layout = FindProduct(setup, faults);
    if (layout.productFile) CheckProduct(layout, program, setup, faults);
    if (options.check && !faults.empty()) {
        ReportFaults(faults);
        return Fail(kExitCheck, "the product has " + std::to_string(faults.size()) +
                                    " fault(s); nothing was written (--no-check packs it anyway)");
    }
    const pkg::PackTime packTime = pkg::PackTime::Now();
    std::vector<ProductFault> unstamped;
    const size_t stamped = StampComponentFiles(layout, program, setup, packTime, unstamped);
    if (options.check && !unstamped.empty()) {
        ReportFaults(unstamped);
        return Fail(kExitInput, "file records could not be stamped; nothing was written");
    }

    const std::wstring output = sys::Utf8ToWide(options.output);
    const std::wstring partial = output + L".partial-" + std::to_wstring(sys::CurrentProcessId());
    PackageBuilder builder;
    builder.SetProgressStream(options.quiet ? nullptr : stdout,
                              IsTerminal(stdout) ? ProgressStyle::InPlace : ProgressStyle::Lines);
    builder.SetWorkerCount(options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency()));
    builder.SetPackTime(packTime);
    if (builder.CreateOutput(partial) != 0) return Fail(kExitOutput, "cannot write '" + options.output + "'");
    const BuildSettings settings{stub, sys::Utf8ToWide(options.programBase), L""};
    bool built = builder.BuildFirstPackage(settings, program.PackEntries(), options.kind) == 0;
    builder.SetBaseFolder(sys::Utf8ToWide(options.setupBase));
    built = built && builder.AppendPackage(setup.PackEntries(), false) == 0;
    const bool closed = builder.CloseOutput();
    if (!built || !closed) {
        sys::DeleteOrSchedule(partial);
        return Fail(built ? kExitOutput : kExitBuild,
                    built ? "cannot finish '" + options.output + "'"
                          : "building the packages failed; nothing was written");
    }
    if (!sys::ReplacePath(partial, output)) {
        sys::DeleteOrSchedule(partial);
        return Fail(kExitOutput, "cannot write '" + options.output + "'");
    }
    if (!options.quiet) {
        std::printf("Built %s: %zu program files, %zu setup files, %zu file records stamped.\n",
                    options.output.c_str(), program.Entries().size(), setup.Entries().size(), stamped);
    }
    return kExitOk;
}
