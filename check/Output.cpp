#include "check/Output.h"

#include <cstdio>

#include "check/Text.h"

namespace check {

namespace {

// Control characters as escapes, so that a row text stays on its line.
std::string Plain(const std::string& text) {
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

const char* Name(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

std::string Json(const std::string& text) { return JsonString(text); }

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

}  // namespace

std::string FormatText(const Report& report, const std::string& folder) {
    std::string out = "Folder " + Plain(folder) + "\n";
    for (const std::string& note : report.notes) out += "Note: " + Plain(note) + "\n";
    if (report.rows.empty())
        out += "\nNo rows: setup.exe lists nothing\n";
    else
        out += "\nRows setup.exe lists (" + std::to_string(report.rows.size()) + "), all checked:\n";
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const Row& row = report.rows[i];
        char number[16];
        std::snprintf(number, sizeof number, "%4u  ", static_cast<unsigned>(i + 1));
        out += number + Plain(row.text) + "    (" + Plain(Where(row.file, row.line)) + ")\n";
        for (const CabinetDevices& cab : row.cabinets) {
            out += "        " + Plain(cab.file) + ": " +
                   (cab.known ? Plain(cab.Devices()) + " (\"" + Plain(cab.application) +
                                    "\" by " + Plain(cab.provider) + ")"
                              : std::string("devices unknown, see the findings"));
            if (!cab.unsupported.empty()) {
                out += "; not for";
                for (const std::string& platform : cab.unsupported) out += " " + Plain(platform);
            }
            out += "\n";
        }
    }
    out += "\nCommand lines Install builds with every row checked, the folder at " +
           Plain(report.at) + ":\n";
    if (report.commandLines.empty()) out += "  none: nothing to hand over\n";
    for (const CommandLine& c : report.commandLines) {
        out += std::string("  ") +
               (c.tool == "ce" ? "CE Application Manager" : "Palm install tool") + ", " +
               Thousands(c.length) + " of at most " + Thousands(platform::kMaxCommandLine) +
               " characters" + (c.fits ? "" : " (TOO LONG)") +
               ":\n    " + Plain(c.line) + "\n";
    }
    const int errors = report.Count(Severity::Error), warnings = report.Count(Severity::Warning);
    out += "\nFindings: " + std::to_string(errors) + " error(s), " +
           (report.warningsHidden > 0
                ? std::to_string(report.warningsHidden) + " warning(s) not shown (--severity error)"
                : std::to_string(warnings) + " warning(s)");
    if (report.ignored > 0) out += ", " + std::to_string(report.ignored) + " ignored (--ignore)";
    out += "\n";
    for (const Finding& f : report.findings) {
        const std::string where = Where(f.file, f.line);
        out += std::string("  ") + Name(f.severity) + " " + f.code + ": " +
               (where.empty() ? "" : Plain(where) + ": ") + Plain(f.reason) + "\n";
    }
    return out;
}

std::string FormatJson(const Report& report, const std::string& folder, unsigned codePage,
                       bool codePageGiven) {
    std::string out = "{\n  \"folder\": " + Json(folder) + ",\n  \"at\": " + Json(report.at) +
                      ",\n  \"codePage\": " + std::to_string(codePage) +
                      ",\n  \"codePageGiven\": " + (codePageGiven ? "true" : "false") +
                      ",\n  \"rows\": [";
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const Row& row = report.rows[i];
        out += std::string(i ? "," : "") + "\n    {\"text\": " + Json(row.text) +
               ", \"file\": " + Json(row.file) +
               (row.line > 0 ? ", \"line\": " + std::to_string(row.line) : std::string());
        if (!row.cabinets.empty()) out += ", \"cabinets\": [";
        for (std::size_t c = 0; c < row.cabinets.size(); ++c) {
            const CabinetDevices& cab = row.cabinets[c];
            out += std::string(c ? ", " : "") + "{\"file\": " + Json(cab.file) +
                   ", \"known\": " + (cab.known ? "true" : "false");
            if (cab.known) {
                out += ", \"processor\": " + Json(cab.processor) + ", \"versions\": " +
                       Json(cab.versions) + ", \"devices\": " + Json(cab.Devices()) +
                       ", \"application\": " + Json(cab.application) +
                       ", \"provider\": " + Json(cab.provider) + ", \"unsupported\": [";
                for (std::size_t u = 0; u < cab.unsupported.size(); ++u)
                    out += std::string(u ? ", " : "") + Json(cab.unsupported[u]);
                out += "]";
            }
            out += "}";
        }
        out += std::string(row.cabinets.empty() ? "" : "]") + "}";
    }
    out += "\n  ],\n  \"commandLines\": [";
    for (std::size_t i = 0; i < report.commandLines.size(); ++i) {
        const CommandLine& c = report.commandLines[i];
        out += std::string(i ? "," : "") + "\n    {\"tool\": " + Json(c.tool) +
               ", \"executable\": " + Json(c.executable) + ", \"line\": " + Json(c.line) +
               ", \"length\": " + std::to_string(c.length) +
               ", \"limit\": " + std::to_string(platform::kMaxCommandLine) +
               ", \"fits\": " + (c.fits ? "true" : "false") + "}";
    }
    out += "\n  ],\n  \"findings\": [";
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        out += std::string(i ? "," : "") + "\n    {\"severity\": \"" + Name(f.severity) +
               "\", \"code\": " + Json(f.code) + ", \"file\": " + Json(f.file) +
               (f.line > 0 ? ", \"line\": " + std::to_string(f.line) : std::string()) +
               (f.pattern.empty() ? std::string() : ", \"pattern\": " + Json(f.pattern)) +
               ", \"reason\": " + Json(f.reason) + "}";
    }
    out += "\n  ],\n  \"notes\": [";
    for (std::size_t i = 0; i < report.notes.size(); ++i)
        out += std::string(i ? ", " : "") + Json(report.notes[i]);
    out += "],\n  \"errors\": " + std::to_string(report.Count(Severity::Error)) +
           ",\n  \"warnings\": " + std::to_string(report.Count(Severity::Warning)) + "\n}\n";
    return out;
}

}  // namespace check
