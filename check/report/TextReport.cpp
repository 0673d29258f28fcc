#include "check/report/TextReport.h"

#include <cstdio>

#include "check/readers/Utf8.h"
#include "platform/Platform.h"

namespace check {

namespace {

// Control characters as escapes, so that a row text stays on its line.
std::string OnOneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (u < 0x20 || u == 0x7F)
            out += EscapedByte(u);
        else
            out += c;
    }
    return out;
}

std::string Where(const std::string& file, int line) {
    std::string out = file;
    if (line > 0) out += (out.empty() ? "line " : ", line ") + std::to_string(line);
    return out;
}

std::string Thousands(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Cabinet(const CabinetDevices& cab) {
    // A setup XML names no provider.
    const std::string by =
        cab.source == SetupSource::SetupXml ? "" : " by " + OnOneLine(cab.provider);
    std::string out = "        " + OnOneLine(cab.file) + ": " +
                      (cab.known ? OnOneLine(cab.Devices()) + " (\"" +
                                       OnOneLine(cab.application) + "\"" + by + ")"
                                 : std::string("devices unknown, see the findings"));
    if (!cab.unsupported.empty()) {
        out += "; not for";
        for (const std::string& platform : cab.unsupported) out += " " + OnOneLine(platform);
    }
    return out + "\n";
}

std::string Rows(const Report& report) {
    std::string out = report.rows.empty()
                          ? "\nNo rows: setup.exe lists nothing\n"
                          : "\nRows setup.exe lists (" + std::to_string(report.rows.size()) +
                                "), all checked:\n";
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const Row& row = report.rows[i];
        char number[16];
        std::snprintf(number, sizeof number, "%4u  ", static_cast<unsigned>(i + 1));
        out += number + OnOneLine(row.text) + "    (" + OnOneLine(Where(row.file, row.line)) +
               ")\n";
        for (const CabinetDevices& cab : row.cabinets) out += Cabinet(cab);
    }
    return out;
}

std::string CommandLines(const Report& report) {
    std::string out = "\nCommand lines Install builds with every row checked, the folder at " +
                      OnOneLine(report.at) + ":\n";
    if (report.commandLines.empty()) out += "  none: nothing to hand over\n";
    for (const CommandLine& c : report.commandLines)
        out += std::string("  ") +
               (c.tool == "ce" ? "CE Application Manager" : "Palm install tool") + ", " +
               Thousands(c.length) + " of at most " + Thousands(platform::kMaxCommandLine) +
               " characters" + (c.fits ? "" : " (TOO LONG)") + ":\n    " + OnOneLine(c.line) +
               "\n";
    return out;
}

std::string Findings(const Report& report) {
    const int errors = report.Count(Severity::Error), warnings = report.Count(Severity::Warning);
    std::string out = "\nFindings: " + std::to_string(errors) + " error(s), " +
                      (report.warningsHidden > 0
                           ? std::to_string(report.warningsHidden) +
                                 " warning(s) not shown (--severity error)"
                           : std::to_string(warnings) + " warning(s)");
    if (report.ignored > 0) out += ", " + std::to_string(report.ignored) + " ignored (--ignore)";
    out += "\n";
    for (const Finding& f : report.findings) {
        const std::string where = Where(f.file, f.line);
        out += std::string("  ") + SeverityName(f.severity()) + " " + f.rule->code + ": " +
               (where.empty() ? "" : OnOneLine(where) + ": ") + OnOneLine(f.reason) + "\n";
    }
    return out;
}

}  // namespace

std::string FormatText(const Report& report) {
    std::string out = "Folder " + OnOneLine(report.folder) + "\n";
    for (const std::string& note : report.notes) out += "Note: " + OnOneLine(note) + "\n";
    return out + Rows(report) + CommandLines(report) + Findings(report);
}

}  // namespace check
