// qypack: the commands and their arguments. Everything that can be checked before writing is
// checked first; a failed run never leaves a half-written file.
#include "PackTool.h"

#include <cstdio>
#include <cstdlib>

#include "InstallerBuild.h"
#include "InstallerInspect.h"
#include "ProductStarter.h"
#include "StampCommand.h"

namespace {

const char kUsage[] =
    "Usage: qypack init DIR --name NAME [--publisher P] [-o FOLDER] [--runtime DIR]\n"
    "       qypack --product FOLDER --base DIR -o OUTPUT [options]\n"
    "       qypack --stub FILE --base DIR --program LIST... --setup LIST... -o OUTPUT [options]\n"
    "       qypack stamp CONFIG... --base DIR\n"
    "       qypack --list INSTALLER\n"
    "       qypack --extract INSTALLER DIR\n"
    "\n"
    "Builds a Quilly installer: the stub executable (PackageManager.exe) followed by the program\n"
    "package and the setup package. Before anything is written the product is read as the\n"
    "installer reads it and checked; every fault is named with its file and line. The file\n"
    "records of the product's component files (md5, size, time, and compressmd5 and compressSize\n"
    "where a record has them) are stamped from the real files in the copies that are packed.\n"
    "\n"
    "  init DIR           write a product description for the files below DIR into FOLDER\n"
    "                     (default: NAME-setup): _setup.ini, package\\Product.config, a component\n"
    "                     file listing every file, package\\setup.config, and the installer's own\n"
    "                     files in Setup\\, copied from --runtime DIR (default: qypack's folder)\n"
    "  --name NAME, --publisher P\n"
    "                     the product's name and its publisher (init)\n"
    "  --product FOLDER   pack the product description in FOLDER; its component files list the\n"
    "                     files, read from --base; the stub is FOLDER\\Setup\\PackageManager.exe\n"
    "                     unless --stub names one\n"
    "  --stub FILE        the installer stub to append the packages to\n"
    "  --base DIR         folder that relative entry paths are read from\n"
    "  --program-base DIR, --setup-base DIR\n"
    "                     the same for one package (default: --base)\n"
    "  --program LIST     entries of the program package (repeatable)\n"
    "  --setup LIST       entries of the setup package (repeatable)\n"
    "  -o, --output FILE  the installer to write (replaced only when the build succeeds)\n"
    "  --no-check         pack a product that has faults (for tests of broken products)\n"
    "  --kind N           package-kind word recorded in the stub (default 1)\n"
    "  --jobs N           threads compressing entries (default: processor count)\n"
    "  --quiet            no progress and no summary\n"
    "  stamp CONFIG...    stamp the file records of component files in place from the files\n"
    "                     below --base; only those values change\n"
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
    "Progress is one line rewritten in place on a terminal, one line per file otherwise.\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 unreadable input (also a damaged installer or one without\n"
    "both packages, or a file record whose file is missing), 3 build or extraction failed,\n"
    "4 output not writable, 5 the product has faults.\n";

bool ParseNumber(const std::string& text, unsigned& value) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || v > 0xFFFFFFFFul) return false;
    value = static_cast<unsigned>(v);
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

// ParseArguments' result when the installer is to be built.
constexpr int kBuild = -1;

// Reads the arguments into options: kBuild, or the exit code of what the arguments did already
// (help, --list, --extract, a usage error).
int ParseArguments(const std::vector<std::string>& args, BuildOptions& options) {
    std::string base;
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
        } else if (arg == "--list") {
            if (!value(text)) return Fail(kExitUsage, "--list needs an installer");
            return InspectInstaller(text, nullptr);
        } else if (arg == "--extract") {
            std::string folder;
            if (!value(text) || !value(folder) || folder.empty()) {
                return Fail(kExitUsage, "--extract needs an installer and a folder");
            }
            return InspectInstaller(text, &folder);
        } else if (arg == "--stub") {
            if (!value(options.stub)) return Fail(kExitUsage, "--stub needs a file");
        } else if (arg == "--product") {
            if (!value(options.productFolder)) return Fail(kExitUsage, "--product needs a folder");
        } else if (arg == "--base") {
            if (!value(base)) return Fail(kExitUsage, "--base needs a folder");
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
        } else if (arg == "--no-check") {
            options.check = false;
        } else {
            return Fail(kExitUsage, "unknown argument '" + arg + "' (see --help)");
        }
    }
    if (options.programBase.empty()) options.programBase = base;
    if (options.setupBase.empty()) options.setupBase = base;
    if (!options.productFolder.empty()) {
        if (options.programBase.empty() || options.output.empty() || !options.programLists.empty() ||
            !options.setupLists.empty()) {
            return Fail(kExitUsage, "--product needs --base and --output, and no lists (see --help)");
        }
        if (options.stub.empty())
            options.stub = WithSeparator(options.productFolder) + "Setup\\PackageManager.exe";
    } else if (options.stub.empty() || options.programBase.empty() || options.setupBase.empty() ||
               options.output.empty() || options.programLists.empty() || options.setupLists.empty()) {
        return Fail(kExitUsage, "--stub, --base, --program, --setup and --output are required (see --help)");
    }
    options.programBase = WithSeparator(options.programBase);
    options.setupBase = WithSeparator(options.setupBase);
    return kBuild;
}

}  // namespace

int RunPackTool(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "stamp") return RunStampCommand({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "init") return RunInitCommand({args.begin() + 1, args.end()});
    BuildOptions options;
    const int parsed = ParseArguments(args, options);
    return parsed == kBuild ? BuildInstaller(options) : parsed;
}
