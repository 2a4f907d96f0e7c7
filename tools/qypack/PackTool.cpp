// qypack: stub + program package + setup package -> installer. Everything that can be checked
// before writing is checked first; the installer is written under a temporary name and renamed
// into place only when complete, so a failed run never leaves a half-written installer.
#include "PackTool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "EntryList.h"
#include "interface/Maker/PackageReader.h"
#include "interface/Maker/SetupPkg.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/TextConv.h"

namespace {

const char kUsage[] =
    "Usage: qypack --stub FILE --base DIR --program LIST... --setup LIST... -o OUTPUT [options]\n"
    "       qypack --list INSTALLER\n"
    "       qypack --extract INSTALLER DIR\n"
    "\n"
    "Builds a Quilly installer: the stub executable (PackageManager.exe) followed by the program\n"
    "package and the setup package.\n"
    "\n"
    "  --stub FILE        the installer stub to append the packages to\n"
    "  --base DIR         folder that relative entry paths are read from\n"
    "  --program-base DIR, --setup-base DIR\n"
    "                     the same for one package (default: --base)\n"
    "  --program LIST     entries of the program package (repeatable)\n"
    "  --setup LIST       entries of the setup package (repeatable)\n"
    "  -o, --output FILE  the installer to write (replaced only when the build succeeds)\n"
    "  --kind N           package-kind word recorded in the stub (default 1)\n"
    "  --jobs N           threads compressing entries (default: processor count)\n"
    "  --quiet            no progress lines\n"
    "  --list INSTALLER   verify an installer (a program and a setup package) and list its\n"
    "                     packages and entries\n"
    "  --extract INSTALLER DIR\n"
    "                     verify an installer and extract package n into DIR/n\n"
    "  -h, --help         this text\n"
    "\n"
    "A LIST is a component configuration file (its Files/file elements with path and optional\n"
    "newpath) or a plain text file with one \"path\" or \"path|newpath\" per line ('#' starts a\n"
    "comment). Entries whose path starts with a drive, \"./\", \".\\\" or \"..\" are read from that\n"
    "path and stored under their newpath or file name.\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 unreadable input (also a damaged installer or one without\n"
    "both packages), 3 build or extraction failed, 4 output not writable.\n";

struct Options {
    std::string stub, base, programBase, setupBase, output;
    std::vector<std::string> programLists, setupLists;
    unsigned kind = 1;
    unsigned jobs = 0;
    bool quiet = false;
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "qypack: error: %s\n", message.c_str());
    return code;
}

bool ParseNumber(const std::string& text, unsigned& value) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || v > 0xFFFFFFFFul) return false;
    value = static_cast<unsigned>(v);
    return true;
}

// Reads the lists and checks that every entry can be read and stays inside the package.
bool CollectEntries(const std::vector<std::string>& lists, const std::string& baseFolder,
                    std::vector<AttrMap>& entries, std::string& error) {
    std::wstring base = sys::Utf8ToWide(baseFolder);
    for (const auto& list : lists) {
        EntryListResult read = ReadEntryList(sys::Utf8ToWide(list));
        if (!read.ok) {
            error = read.error;
            return false;
        }
        for (const auto& attrs : read.entries) {
            PackFileEntry entry{std::string(AttrValue(attrs, "path")),
                                std::string(AttrValue(attrs, "newpath"))};
            EntrySource source = ResolveEntry(entry, base);
            if (!pkg::IsSafeItemName(source.name)) {
                error = "entry '" + entry.path + "' in '" + list + "' would be stored as '" +
                        sys::WideToUtf8(source.name) + "', which leaves the target folder";
                return false;
            }
            if (!sys::OpenFile(source.sourcePath, "rb")) {
                error = "cannot read '" + sys::WideToUtf8(source.sourcePath) + "' (listed in '" + list + "')";
                return false;
            }
            entries.push_back(attrs);
        }
    }
    return true;
}

std::string WithSeparator(std::string folder) {
#if defined(_WIN32)
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += separator;
    return folder;
}

// --list and --extract: the reader's view of an installer. An installer holds a program package
// and a setup package; a file with less fails, naming what the reader met where its walk ended.
int Inspect(const std::string& installer, const std::string* extractTo) {
    int error = 0;
    std::unique_ptr<IPackageSource> source = OpenPackageFile(sys::Utf8ToWide(installer), error);
    if (!source) return Fail(kExitInput, "cannot read '" + installer + "'");
    PackageReader reader;
    const int rc = reader.Open(std::move(source));
    const std::string problem = reader.Problem();
    if (rc) {
        return Fail(kExitInput, "'" + installer + "' is damaged (code " + std::to_string(rc) + ")" +
                                    (problem.empty() ? "" : ": " + problem));
    }
    const auto& packages = reader.Packages();
    const bool complete = packages.size() >= 2;
    const std::string incomplete = "'" + installer + "' is not a complete installer: it holds " +
                                   std::to_string(packages.size()) +
                                   " package(s), not a program package and a setup package" +
                                   (problem.empty() ? "" : " (" + problem + ")");
    if (!complete && extractTo) return Fail(kExitInput, incomplete);

    // Extraction makes each target folder the current one, so a relative DIR would nest.
    std::wstring root;
    if (extractTo) {
        root = sys::AbsolutePath(sys::Utf8ToWide(*extractTo));
        if (root.empty() || (root.back() != L'\\' && root.back() != L'/')) root += L'\\';
    }
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageRecord& p = packages[i];
        std::printf("package %zu at %u: %zu entries, %u bytes, %u bytes unpacked\n", i + 1, p.start,
                    p.entries.size(), p.header.totalSize, p.header.uncompressedSize);
        if (!extractTo) {
            for (size_t k = 0; k < p.entries.size(); ++k) {
                std::printf("  %10u %10u  %s\n", p.entries[k].uncompressedSize, p.entries[k].storedSize,
                            sys::WideToUtf8(std::wstring(p.names[k])).c_str());
            }
            continue;
        }
        const std::wstring folder = root + std::to_wstring(i + 1);
        sys::CreateFolderTree(folder);
        if (int rc = reader.ExtractPackage(p, folder)) {
            return Fail(kExitBuild, "extracting package " + std::to_string(i + 1) + " failed (code " +
                                        std::to_string(rc) + ")");
        }
    }
    std::fflush(stdout);  // the listing before the verdict
    if (!complete) return Fail(kExitInput, incomplete);
    // A signed installer carries its certificate table behind the last package.
    if (!problem.empty()) {
        std::fprintf(stderr, "qypack: note: what follows package %zu is not a package (%s)\n",
                     packages.size(), problem.c_str());
    }
    return kExitOk;
}

// ParseArguments' result when the installer is to be built.
constexpr int kBuild = -1;

// Reads the arguments into options: kBuild, or the exit code of what the arguments did already
// (help, --list, --extract, a usage error).
int ParseArguments(const std::vector<std::string>& args, Options& options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (arg == "--stub") {
            if (!value(options.stub)) return Fail(kExitUsage, "--stub needs a file");
        } else if (arg == "--list") {
            if (!value(text)) return Fail(kExitUsage, "--list needs an installer");
            return Inspect(text, nullptr);
        } else if (arg == "--extract") {
            std::string folder;
            if (!value(text) || !value(folder) || folder.empty()) {
                return Fail(kExitUsage, "--extract needs an installer and a folder");
            }
            return Inspect(text, &folder);
        } else if (arg == "--base") {
            if (!value(options.base)) return Fail(kExitUsage, "--base needs a folder");
        } else if (arg == "--program-base") {
            if (!value(options.programBase)) return Fail(kExitUsage, "--program-base needs a folder");
        } else if (arg == "--setup-base") {
            if (!value(options.setupBase)) return Fail(kExitUsage, "--setup-base needs a folder");
        } else if (arg == "--program") {
            if (!value(text)) return Fail(kExitUsage, "--program needs a list");
            options.programLists.push_back(text);
        } else if (arg == "--setup") {
            if (!value(text)) return Fail(kExitUsage, "--setup needs a list");
            options.setupLists.push_back(text);
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.output)) return Fail(kExitUsage, arg + " needs a file");
        } else if (arg == "--kind") {
            if (!value(text) || !ParseNumber(text, options.kind))
                return Fail(kExitUsage, "--kind needs a number");
        } else if (arg == "--jobs") {
            if (!value(text) || !ParseNumber(text, options.jobs) || options.jobs == 0) {
                return Fail(kExitUsage, "--jobs needs a positive number");
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            return Fail(kExitUsage, "unknown argument '" + arg + "' (see --help)");
        }
    }
    if (options.programBase.empty()) options.programBase = options.base;
    if (options.setupBase.empty()) options.setupBase = options.base;
    if (options.stub.empty() || options.programBase.empty() || options.setupBase.empty() ||
        options.output.empty() || options.programLists.empty() || options.setupLists.empty()) {
        return Fail(kExitUsage, "--stub, --base, --program, --setup and --output are required (see --help)");
    }
    options.programBase = WithSeparator(options.programBase);
    options.setupBase = WithSeparator(options.setupBase);
    return kBuild;
}

// The installer from the stub and the two packages, written under a temporary name that becomes
// the output's only when it is complete.
int BuildInstaller(const Options& options) {
    const std::wstring stub = sys::Utf8ToWide(options.stub);
    if (!sys::OpenFile(stub, "rb")) return Fail(kExitInput, "cannot read stub '" + options.stub + "'");
    std::vector<AttrMap> program, setup;
    std::string error;
    if (!CollectEntries(options.programLists, options.programBase, program, error) ||
        !CollectEntries(options.setupLists, options.setupBase, setup, error)) {
        return Fail(kExitInput, error);
    }

    const std::wstring output = sys::Utf8ToWide(options.output);
    const std::wstring partial = output + L".partial-" + std::to_wstring(sys::CurrentProcessId());
    SetupPkg builder;
    builder.Builder().SetProgressStream(options.quiet ? nullptr : stdout);
    builder.Builder().SetWorkerCount(options.jobs ? options.jobs
                                                  : std::max(1u, std::thread::hardware_concurrency()));
    if (builder.CreateOutput(partial) != 0) return Fail(kExitOutput, "cannot write '" + options.output + "'");
    BuildSettings settings{stub, sys::Utf8ToWide(options.programBase), L""};
    bool built = builder.BuildFirstPackage(settings, program, options.kind) == 0;
    builder.Builder().SetBaseFolder(sys::Utf8ToWide(options.setupBase));
    built = built && builder.AppendPackage(setup, 1) == 0;
    bool closed = builder.CloseOutput();
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
        std::printf("Built %s: %zu program files, %zu setup files.\n", options.output.c_str(), program.size(),
                    setup.size());
    }
    return kExitOk;
}

}  // namespace

int RunPackTool(const std::vector<std::string>& args) {
    Options options;
    const int parsed = ParseArguments(args, options);
    return parsed == kBuild ? BuildInstaller(options) : parsed;
}
