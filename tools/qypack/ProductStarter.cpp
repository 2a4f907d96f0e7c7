#include "ProductStarter.h"

#include <cstdio>

#include "FolderFiles.h"
#include "RecordStamp.h"
#include "ToolOutput.h"
#include "interface/Maker/PackageBuilder.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

struct InitOptions {
    std::string folder, name, publisher, output, runtime;
    bool quiet = false;
};

// The installer's own files: where they come from in the runtime folder and their name in Setup\.
struct RuntimeFile {
    const wchar_t* source;
    const wchar_t* name;
};
const RuntimeFile kRuntime[] = {
    {L"PackageManager.exe", L"PackageManager.exe"},
    {L"DllRegX64.exe", L"DllRegX64.bin"},
    {L"PackageManager.zip", L"PackageManager.zip"},
};

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The product's name as a file name.
std::string FileNameOf(const std::string& name) {
    static const std::string kNotInNames = "\\/:*?\"<>|";
    std::string out;
    for (char c : name) {
        const bool control = static_cast<unsigned char>(c) < 0x20;
        out += control || kNotInNames.find(c) != std::string::npos ? '_' : c;
    }
    return out;
}

std::string Names(const char* attribute, const std::string& value) {
    const std::string v = Escaped(value);
    return std::string(attribute) + "_0804=\"" + v + "\" " + attribute + "_0404=\"" + v + "\" " + attribute +
           "_0409=\"" + v + "\"";
}

std::string ProductFile(const InitOptions& o, const std::string& componentFile) {
    const std::string publisher = o.publisher.empty() ? o.name : o.publisher;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<!-- " +
           Escaped(o.name) +
           ": the product file. The installer reads it first (named by _setup.ini),\r\n"
           "     then the component files it lists. -->\r\n"
           "<ProductRoot type=\"offline\" version=\"1.0.0.0\">\r\n"
           "  <ProductInfo>\r\n"
           "    <Common ProductID=\"1\" ProductOS=\"7\" ProductType=\"Client\" ProductRunMode=\"1\"\r\n"
           "            ProductVer=\"1.0.0\" ProductVer2=\"1.0.0.0\" SysVersion=\"6.1\"/>\r\n"
           "    <Components>\r\n"
           "      <Component name=\"" +
           Escaped(o.name) + "\" config=\"" + Escaped(componentFile) +
           "\"/>\r\n"
           "      <Component name=\"Setup\" config=\"setup.config\"/>\r\n"
           "    </Components>\r\n"
           "  </ProductInfo>\r\n"
           "  <InstallInfo Path=\"" +
           Escaped(FileNameOf(o.name)) + "\" RegKey=\"HKLM\\Software\\" + Escaped(FileNameOf(publisher)) +
           "\\" + Escaped(FileNameOf(o.name)) + "\" Publisher=\"" + Escaped(publisher) +
           "\"\r\n               " + Names("Name", o.name) +
           "/>\r\n"
           "  <ExtraModule Path=\"PackageManager.exe\"/>\r\n"
           "  <SetupInfo name=\"Setup\" config=\"setup.config\"/>\r\n"
           "</ProductRoot>\r\n";
}

// Every file, and shortcuts to the first program at the top of the folder with the uninstall
// beside it in the start menu.
std::string ComponentFile(const InitOptions& o, const std::vector<std::wstring>& files) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!-- " +
        Escaped(o.name) +
        ": the product's files, registry values and shortcuts. -->\r\n"
        "<ComponentRoot " +
        Names("name", o.name) +
        " type=\"Client\"\r\n               version=\"1.0.0\" isEssential=\"yes\" isDisplay=\"yes\">\r\n"
        "  <Config>\r\n    <Files>\r\n";
    std::string program;
    for (const std::wstring& file : files) {
        const std::string path = sys::WideToUtf8(file);
        text += "      <file path=\"" + Escaped(path) +
                "\" isUpgrade=\"TRUE\" isInstall=\"TRUE\" noDelete=\"FALSE\"/>\r\n";
        if (program.empty() && file.find(L'\\') == std::wstring::npos && sys::EndsWithNoCase(path, ".exe"))
            program = path;
    }
    text += "    </Files>\r\n    <ShortCut>\r\n";
    const std::string names = Names("name", o.name);
    if (!program.empty()) {
        text += "      <Desktop>\r\n        <item link=\"" + Escaped(program) +
                "\" workdir=\"$InstallRoot\" " + names + "/>\r\n      </Desktop>\r\n";
    }
    text += "      <StartMenu>\r\n        <Folder " + names + ">\r\n";
    if (!program.empty()) {
        text +=
            "          <item link=\"" + Escaped(program) + "\" workdir=\"$InstallRoot\" " + names + "/>\r\n";
    }
    const std::string name = Escaped(o.name);
    text +=
        "          <item link=\"PackageManager.exe\" argv=\"/uninstall\" workdir=\"$InstallRoot\"\r\n"
        "                name_0804=\"卸载" +
        name + "\" name_0404=\"解除安裝" + name + "\" name_0409=\"Uninstall " + name +
        "\"/>\r\n        </Folder>\r\n      </StartMenu>\r\n    </ShortCut>\r\n  "
        "</Config>\r\n</ComponentRoot>\r\n";
    return text;
}

const char kSetupComponent[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!-- The installer's own component: the package manager at the top of the installation folder\r\n"
    "     (the uninstall entry starts it), the 64-bit registration helper and the wizard's skin. -->\r\n"
    "<ComponentRoot name_0804=\"安装程序\" name_0404=\"安裝程式\" name_0409=\"Setup\" type=\"Client\"\r\n"
    "               version=\"1.0.0\" isEssential=\"yes\" isDisplay=\"no\">\r\n"
    "  <Config>\r\n    <Files>\r\n"
    "      <file path=\"Setup\\PackageManager.exe\" newpath=\"PackageManager.exe\" isUpgrade=\"TRUE\" "
    "isInstall=\"TRUE\"\r\n"
    "            noDelete=\"FALSE\" type=\"setup\"/>\r\n"
    "      <file path=\"Setup\\DllRegX64.bin\" newpath=\"Setup\\DllRegX64.exe\" platform=\"x64\" "
    "isUpgrade=\"TRUE\"\r\n"
    "            isInstall=\"TRUE\" noDelete=\"FALSE\" type=\"helper\"/>\r\n"
    "      <file path=\"Setup\\PackageManager.zip\" isUpgrade=\"TRUE\" isInstall=\"TRUE\" noDelete=\"FALSE\" "
    "type=\"skin\"/>\r\n"
    "    </Files>\r\n  </Config>\r\n</ComponentRoot>\r\n";

// The ini the installer reads with the profile functions: UTF-16LE without a byte-order mark.
std::string SetupIni() {
    const std::string text = "[Product]\r\nProduct=Product.config\r\n";
    std::string bytes;
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    sys::UniqueFile out = sys::OpenFile(path, "wb");
    return out && std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size() &&
           std::fclose(out.release()) == 0;
}

// The records of text stamped from the files below base.
bool Stamped(std::string& text, const std::wstring& base, std::string& error) {
    StampOutcome outcome =
        StampRecords(text, [&](const std::string& path, bool, FileFacts& facts, std::string& why) {
            const EntrySource source = ResolveEntry(PackFileEntry(path), base);
            return ReadFileFacts(source.sourcePath, source.name, nullptr, facts, why);
        });
    if (!outcome.readable || !outcome.faults.empty()) {
        error = outcome.faults.empty() ? "cannot stamp the records" : outcome.faults.front().message;
        return false;
    }
    text = std::move(outcome.text);
    return true;
}

int ParseInit(const std::vector<std::string>& args, InitOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return !out.empty();
        };
        const std::string& arg = args[i];
        if (arg == "--name") {
            if (!value(o.name)) return Fail(kExitUsage, "--name needs a name");
        } else if (arg == "--publisher") {
            if (!value(o.publisher)) return Fail(kExitUsage, "--publisher needs a name");
        } else if (arg == "-o" || arg == "--output") {
            if (!value(o.output)) return Fail(kExitUsage, arg + " needs a folder");
        } else if (arg == "--runtime") {
            if (!value(o.runtime)) return Fail(kExitUsage, "--runtime needs a folder");
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (!arg.empty() && arg[0] != '-' && o.folder.empty()) {
            o.folder = arg;
        } else {
            return Fail(kExitUsage, "unknown argument '" + arg + "' for init (see --help)");
        }
    }
    if (o.folder.empty() || o.name.empty())
        return Fail(kExitUsage, "init needs a folder and --name (see --help)");
    if (o.output.empty()) o.output = FileNameOf(o.name) + "-setup";
    return -1;
}

}  // namespace

int RunInitCommand(const std::vector<std::string>& args) {
    InitOptions o;
    if (const int parsed = ParseInit(args, o); parsed >= 0) return parsed;
    const std::wstring files = sys::Utf8ToWide(o.folder), out = sys::Utf8ToWide(o.output);
    const std::wstring runtime = o.runtime.empty() ? ToolFolder() : sys::Utf8ToWide(o.runtime);

    // Everything is read and checked before the first byte is written.
    std::vector<std::wstring> listed;
    if (!ListFolderFiles(files, listed))
        return Fail(kExitInput, "'" + o.folder + "' is not a readable folder");
    if (listed.empty()) return Fail(kExitInput, "'" + o.folder + "' holds no files");
    if (sys::PathExists(JoinPath(out, L"package\\Product.config")) ||
        sys::PathExists(JoinPath(out, L"_setup.ini")))
        return Fail(kExitOutput,
                    "'" + o.output + "' already holds a product description; nothing was written");
    std::vector<std::string> runtimeBytes;
    for (const RuntimeFile& file : kRuntime) {
        std::vector<uint8_t> bytes;
        if (sys::ReadWholeFile(JoinPath(runtime, file.source), bytes)) {
            runtimeBytes.emplace_back(bytes.begin(), bytes.end());
        } else {
            return Fail(kExitInput, "the runtime folder '" + sys::WideToUtf8(runtime) + "' has no readable " +
                                        sys::WideToUtf8(file.source) + " (give --runtime DIR)");
        }
    }
    const std::string componentFile = FileNameOf(o.name) + ".config";
    std::string component = ComponentFile(o, listed), setupComponent = kSetupComponent, error;
    if (!Stamped(component, files + L"\\", error)) return Fail(kExitInput, error);

    if (sys::CreateFolderTree(JoinPath(out, L"package")) != 0 ||
        sys::CreateFolderTree(JoinPath(out, L"Setup")) != 0)
        return Fail(kExitOutput, "cannot make '" + o.output + "'");
    bool written = true;
    for (size_t i = 0; i < std::size(kRuntime); ++i)
        written = written &&
                  WriteBytes(JoinPath(out, std::wstring(L"Setup\\") + kRuntime[i].name), runtimeBytes[i]);
    written = written && Stamped(setupComponent, out + L"\\", error) &&
              WriteBytes(JoinPath(out, L"_setup.ini"), SetupIni()) &&
              WriteBytes(JoinPath(out, L"package\\Product.config"), ProductFile(o, componentFile)) &&
              WriteBytes(JoinPath(out, L"package\\" + sys::Utf8ToWide(componentFile)), component) &&
              WriteBytes(JoinPath(out, L"package\\setup.config"), setupComponent);
    if (!written)
        return Fail(kExitOutput, "cannot write '" + o.output + "'" + (error.empty() ? "" : ": " + error));
    if (!o.quiet) {
        auto quoted = [](const std::string& text) {
            return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
        };
        std::printf(
            "Wrote %s: %s with %zu files (package\\%s), the setup component and _setup.ini.\n"
            "Pack it with: qypack --product %s --base %s -o %s\n",
            o.output.c_str(), o.name.c_str(), listed.size(), componentFile.c_str(), quoted(o.output).c_str(),
            quoted(o.folder).c_str(), quoted(FileNameOf(o.name) + " Setup.exe").c_str());
    }
    return kExitOk;
}
