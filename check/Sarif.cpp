// The report as SARIF 2.1.0, the log format code-scanning services and
// editors read: the tool and its rules from the table of rules, one result
// per finding with its file as a URI relative to the checked folder.
#include <cstdio>

#include "check/Output.h"
#include "check/Rules.h"
#include "check/Text.h"

namespace check {

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A file as the report names it (UTF-8, backslashes between folders, a byte
// that is no character as \xNN) as a relative URI: the byte itself escaped.
std::string Uri(const std::string& file) {
    std::string out;
    for (std::size_t i = 0; i < file.size(); ++i) {
        const char c = file[i];
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (c == '\\' && i + 3 < file.size() && file[i + 1] == 'x' && IsHex(file[i + 2]) &&
            IsHex(file[i + 3])) {
            out += "%" + file.substr(i + 2, 2);
            i += 3;
        } else if (c == '\\' || c == '/') {
            out += '/';
        } else if (unreserved) {
            out += c;
        } else {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", static_cast<unsigned char>(c));
            out += buffer;
        }
    }
    return out;
}

std::string Level(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

// Markdown of the table as plain text: without its code marks.
std::string Plain(const char* markdown) {
    std::string out;
    for (const char* p = markdown; *p; ++p)
        if (*p != '`') out += *p;
    return out;
}

// A message as SARIF wants it: a sentence ending in a full stop.
std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

std::string Text(const char* markdown) {
    return "{\"text\": " + JsonString(Sentence(Plain(markdown))) +
           ", \"markdown\": " + JsonString(Sentence(markdown)) + "}";
}

}  // namespace

std::string FormatSarif(const Report& report, const std::string& folder) {
    std::string out =
        "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
        "  \"version\": \"2.1.0\",\n  \"runs\": [{\n    \"tool\": {\"driver\": {\"name\": " +
        JsonString(kToolName) + ", \"version\": " + JsonString(kToolVersion) +
        ", \"semanticVersion\": " + JsonString(kToolVersion) + ", \"rules\": [";
    for (std::size_t i = 0; i < sizeof kRules / sizeof kRules[0]; ++i) {
        const Rule& rule = *kRules[i];
        out += std::string(i ? "," : "") + "\n      {\"id\": " + JsonString(rule.code) +
               ", \"shortDescription\": " + Text(rule.title) +
               ", \"help\": " + Text(rule.action) +
               ", \"defaultConfiguration\": {\"level\": \"" + Level(rule.severity) +
               "\"}, \"properties\": {\"family\": " + JsonString(rule.family) + "}}";
    }
    out += "\n    ]}},\n    \"originalUriBaseIds\": {\"FOLDER\": {\"description\": {\"text\": " +
           JsonString("The checked folder, " + folder) + "}}},\n    \"results\": [";
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        std::size_t index = 0;
        while (index + 1 < sizeof kRules / sizeof kRules[0] && f.code != kRules[index]->code)
            ++index;
        out += std::string(i ? "," : "") + "\n      {\"ruleId\": " + JsonString(f.code) +
               ", \"ruleIndex\": " + std::to_string(index) + ", \"level\": \"" +
               Level(f.severity) + "\", \"message\": {\"text\": " +
               JsonString(Sentence(f.reason)) + "}";
        if (!f.file.empty()) {
            out += ", \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": " +
                   JsonString(Uri(f.file)) + ", \"uriBaseId\": \"FOLDER\"}" +
                   (f.line > 0 ? ", \"region\": {\"startLine\": " + std::to_string(f.line) + "}"
                               : std::string()) +
                   "}}]";
        }
        out += "}";
    }
    return out + "\n    ]\n  }]\n}\n";
}

}  // namespace check
