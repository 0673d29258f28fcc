// setup-check: the vendor's check of a setup folder before it ships. The
// command line: options in, the folder checked, the findings filtered, one
// formatter out.
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <set>

#include "check/Check.h"
#include "check/model/FolderPaths.h"
#include "check/model/Host.h"
#include "check/report/Formats.h"

namespace check {

namespace {

const std::string kUsage =
    "usage: setup-check [options] FOLDER\n"
    "       setup-check --list-rules\n"
    "Shows what setup.exe would list and hand over from FOLDER, and what in it is\n"
    "probably a mistake. Exit status: 0 no error, 1 errors found, 2 bad usage.\n"
    "  --at PATH             where the end user will have the folder (default D:\\)\n"
    "  --ce-manager PATH     the CE Application Manager's path (default\n"
    "                        C:\\Program Files\\Microsoft ActiveSync\\CEAppMgr.exe)\n"
    "  --palm-command TEXT   the command registered for .prc files (default\n"
    "                        \"C:\\Program Files\\Palm Desktop\\Install Tool.exe\" \"%1\")\n"
    "  --codepage N          the end user's ANSI code page (default: on Windows the\n"
    "                        machine's own, elsewhere 1252)\n"
    "  --format FORMAT       " + ListOutputFormats(true) + "\n"
    "  --json                the same as --format json\n"
    "  --ignore CODE[,CODE]  leave out findings of these codes; an ignored error no\n"
    "                        longer fails the run\n"
    "  --severity LEVEL      error: errors only; warning: every finding (default)\n"
    "  --list-rules          the finding codes with their severity, meaning and fix\n";

struct Options {
    Request request;
    const OutputFormat* format = &kOutputFormats[0];
    unsigned codePage = 0;
    std::string codePageSource;
    bool codePageGiven = false, listRules = false, errorsOnly = false, help = false;
    std::set<const Rule*> ignore;
    std::string folder;
};

// What an option does with its value (empty for one that takes none);
// false, with the complaint, when the value is not one it takes.
using Apply = bool (*)(Options& options, const std::string& value, std::string& error);

bool SetFormat(Options& o, const std::string& value, std::string& error) {
    o.format = FindOutputFormat(value);
    if (!o.format) error = "not a format: " + value + " (" + ListOutputFormats(false) + ")";
    return o.format != nullptr;
}

bool AddIgnored(Options& o, const std::string& codes, std::string& error) {
    for (std::size_t start = 0; start <= codes.size();) {
        const std::size_t comma = std::min(codes.find(',', start), codes.size());
        const std::string code = codes.substr(start, comma - start);
        const Rule* rule = FindRule(code);
        if (!rule) {
            error = "not a finding code: \"" + code + "\" (--list-rules lists them)";
            return false;
        }
        o.ignore.insert(rule);
        start = comma + 1;
    }
    return true;
}

bool SetSeverity(Options& o, const std::string& level, std::string& error) {
    if (level != "error" && level != "warning") error = "not a severity: " + level + " (error or warning)";
    o.errorsOnly = level == "error";
    return error.empty();
}

bool SetCodePage(Options& o, const std::string& value, std::string& error) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(value.c_str(), &end, 10);
    if (value.empty() || *end || n == 0 || n > 65535) error = "not a code page: " + value;
    o.codePage = static_cast<unsigned>(n);
    o.codePageGiven = true;
    return error.empty();
}

const struct {
    const char* name;
    bool takesValue;
    Apply apply;
} kOptions[] = {
    {"--help", false, [](Options& o, const std::string&, std::string&) { return o.help = true; }},
    {"-h", false, [](Options& o, const std::string&, std::string&) { return o.help = true; }},
    {"--list-rules", false,
     [](Options& o, const std::string&, std::string&) { return o.listRules = true; }},
    {"--json", false, [](Options& o, const std::string&, std::string& e) { return SetFormat(o, "json", e); }},
    {"--format", true, SetFormat},
    {"--ignore", true, AddIgnored},
    {"--severity", true, SetSeverity},
    {"--at", true, [](Options& o, const std::string& v, std::string&) { o.request.at = v; return true; }},
    {"--ce-manager", true,
     [](Options& o, const std::string& v, std::string&) { o.request.ceManager = v; return true; }},
    {"--palm-command", true,
     [](Options& o, const std::string& v, std::string&) { o.request.palmCommand = v; return true; }},
    {"--codepage", true, SetCodePage},
};

// The arguments into options; false, with the complaint, on bad usage.
// --help stops the reading, as it answers alone.
bool ReadArguments(int argc, const char* const* argv, Options& o, std::string& error) {
    for (int i = 0; i < argc && !o.help; ++i) {
        const std::string arg = argv[i];
        const auto* option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                          [&](const auto& known) { return arg == known.name; });
        if (option != std::end(kOptions)) {
            if (option->takesValue && i + 1 >= argc) error = arg + " needs a value";
            if (!error.empty() || !option->apply(o, option->takesValue ? argv[++i] : "", error))
                return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
        } else if (!o.folder.empty()) {
            error = "one folder only (" + o.folder + ", " + arg + ")";
        } else if (arg.empty()) {
            error = "the folder's name is empty";
        } else {
            o.folder = arg;
        }
        if (!error.empty()) return false;
    }
    return true;
}

// What the folder and --at must be before anything is read.
bool CheckPlaces(const Options& o, std::string& error) {
    if (o.folder.empty())
        error = "no folder given";
    else if (!IsFolder(o.folder))
        error = "no such folder: " + o.folder;
    else if (!IsAbsoluteWindowsPath(o.request.at))
        error = "--at needs an absolute Windows path, such as D:\\ or C:\\USERS\\A\\DOWNLO~1, "
                "not \"" + o.request.at + "\"";
    return error.empty();
}

// Leaves out what the vendor asked not to see, counting it.
void Filter(Report& report, const Options& o) {
    std::vector<Finding> kept;
    for (Finding& f : report.findings) {
        if (o.ignore.count(f.rule))
            ++report.ignored;
        else if (o.errorsOnly && f.severity() == Severity::Warning)
            ++report.warningsHidden;
        else
            kept.push_back(std::move(f));
    }
    report.findings = std::move(kept);
}

}  // namespace

int RunCheck(int argc, const char* const* argv, std::string& out, std::string& err) {
    Options o;
    o.codePage = DefaultCodePage(o.codePageSource);
    std::string error;
    auto bad = [&]() {
        err += "setup-check: " + error + "\n" + kUsage;
        return 2;
    };
    if (!ReadArguments(argc, argv, o, error)) return bad();
    if (o.help || o.listRules) {
        out += o.help ? kUsage : FormatRules();
        return 0;
    }
    if (!CheckPlaces(o, error)) return bad();
    std::unique_ptr<Host> host = MakeHost(o.codePage, error);
    if (!host) return bad();

    const char last = o.folder.back();
    o.request.folder = o.folder;
    if (last != kPathSeparator && last != '/') o.request.folder += kPathSeparator;
    Report report = CheckFolder(*host, o.request);
    report.folder = host->Text().LocalToUtf8(o.request.folder);
    report.codePage = o.codePage;
    report.codePageGiven = o.codePageGiven;
    const std::string source = o.codePageGiven ? "given with --codepage" : o.codePageSource;
    report.notes.insert(report.notes.begin(),
                        "code page " + std::to_string(o.codePage) + " (" + source + ")");
    Filter(report, o);
    out += o.format->format(report);
    return report.Count(Severity::Error) > 0 ? 1 : 0;
}

}  // namespace check

// The tests link the command line without this entry.
#ifndef SETUP_CHECK_NO_MAIN
int main(int argc, char** argv) {
    std::string out, err;
    int status;
    try {
        status = check::RunCheck(argc - 1, argv + 1, out, err);
    } catch (const std::exception& e) {
        // Only exhausted memory gets here; say so rather than crash.
        err += std::string("setup-check: could not finish: ") + e.what() + "\n";
        status = 2;
    }
    check::WriteText(false, out);
    check::WriteText(true, err);
    return status;
}
#endif
