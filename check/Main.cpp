// setup-check: the vendor's check of a setup folder before it ships. The
// command line: options in, the folder checked, the findings filtered, one
// formatter out.
#include "check/Main.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <set>

#include "check/Host.h"
#include "check/Output.h"
#include "check/Rules.h"

namespace check {

namespace {

const char kUsage[] =
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
    "  --format FORMAT       text (default), json (one JSON object) or sarif (SARIF 2.1.0)\n"
    "  --json                the same as --format json\n"
    "  --ignore CODE[,CODE]  leave out findings of these codes; an ignored error no\n"
    "                        longer fails the run\n"
    "  --severity LEVEL      error: errors only; warning: every finding (default)\n"
    "  --list-rules          the finding codes with their severity, meaning and fix\n";

// Leaves out what the vendor asked not to see, counting it.
void Filter(Report& report, const std::set<std::string>& ignore, bool errorsOnly) {
    std::vector<Finding> kept;
    for (Finding& f : report.findings) {
        if (ignore.count(f.code))
            ++report.ignored;
        else if (errorsOnly && f.severity == Severity::Warning)
            ++report.warningsHidden;
        else
            kept.push_back(std::move(f));
    }
    report.findings = std::move(kept);
}

}  // namespace

int RunCheck(int argc, const char* const* argv, std::string& out, std::string& err) {
    Request request;
    std::string format = "text";
    std::string codePageSource;
    unsigned codePage = DefaultCodePage(codePageSource);
    bool codePageGiven = false, listRules = false, errorsOnly = false;
    std::set<std::string> ignore;
    std::string folder;
    auto bad = [&](const std::string& message) {
        err += "setup-check: " + message + "\n" + kUsage;
        return 2;
    };
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--at" || arg == "--ce-manager" ||
                                arg == "--palm-command" || arg == "--codepage" ||
                                arg == "--format" || arg == "--ignore" || arg == "--severity";
        if (takesValue && i + 1 >= argc) return bad(arg + " needs a value");
        if (arg == "--help" || arg == "-h") {
            out += kUsage;
            return 0;
        } else if (arg == "--list-rules") {
            listRules = true;
        } else if (arg == "--json") {
            format = "json";
        } else if (arg == "--format") {
            format = argv[++i];
            if (format != "text" && format != "json" && format != "sarif")
                return bad("not a format: " + format + " (text, json or sarif)");
        } else if (arg == "--ignore") {
            const std::string codes = argv[++i];
            for (std::size_t start = 0; start <= codes.size();) {
                const std::size_t comma = std::min(codes.find(',', start), codes.size());
                const std::string code = codes.substr(start, comma - start);
                if (!FindRule(code))
                    return bad("not a finding code: \"" + code + "\" (--list-rules lists them)");
                ignore.insert(code);
                start = comma + 1;
            }
        } else if (arg == "--severity") {
            const std::string level = argv[++i];
            if (level != "error" && level != "warning")
                return bad("not a severity: " + level + " (error or warning)");
            errorsOnly = level == "error";
        } else if (arg == "--at") {
            request.at = argv[++i];
        } else if (arg == "--ce-manager") {
            request.ceManager = argv[++i];
        } else if (arg == "--palm-command") {
            request.palmCommand = argv[++i];
        } else if (arg == "--codepage") {
            const char* value = argv[++i];
            char* end = nullptr;
            const unsigned long n = std::strtoul(value, &end, 10);
            if (!*value || *end || n == 0 || n > 65535)
                return bad("not a code page: " + std::string(value));
            codePage = static_cast<unsigned>(n);
            codePageGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return bad("unknown option " + arg);
        } else if (!folder.empty()) {
            return bad("one folder only (" + folder + ", " + arg + ")");
        } else if (arg.empty()) {
            return bad("the folder's name is empty");
        } else {
            folder = arg;
        }
    }
    if (listRules) {
        out += FormatRules();
        return 0;
    }
    if (folder.empty()) return bad("no folder given");
    if (!IsFolder(folder)) return bad("no such folder: " + folder);
    if (!IsAbsoluteWindowsPath(request.at))
        return bad("--at needs an absolute Windows path, such as D:\\ or C:\\USERS\\A\\DOWNLO~1, "
                   "not \"" + request.at + "\"");
    std::string reason;
    std::unique_ptr<Host> host = MakeHost(codePage, reason);
    if (!host) return bad(reason);

    const char last = folder.back();
    request.folder = folder;
    if (last != kPathSeparator && last != '/') request.folder += kPathSeparator;
    Report report = CheckFolder(*host, request);
    const std::string source = codePageGiven ? "given with --codepage" : codePageSource;
    report.notes.insert(report.notes.begin(),
                        "code page " + std::to_string(codePage) + " (" + source + ")");
    Filter(report, ignore, errorsOnly);
    const std::string shown = host->Text().LocalToUtf8(request.folder);
    if (format == "json")
        out += FormatJson(report, shown, codePage, codePageGiven);
    else if (format == "sarif")
        out += FormatSarif(report, shown);
    else
        out += FormatText(report, shown);
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
