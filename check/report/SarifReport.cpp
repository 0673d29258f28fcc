#include "check/report/SarifReport.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace check {

namespace {

using Json = nlohmann::ordered_json;

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

// The table's Markdown as plain text: without its code marks.
std::string WithoutCodeMarks(const char* markdown) {
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

Json Message(const char* markdown) {
    return {{"text", Sentence(WithoutCodeMarks(markdown))}, {"markdown", Sentence(markdown)}};
}

Json RuleObject(const Rule& rule) {
    return {{"id", rule.code},
            {"shortDescription", Message(rule.title)},
            {"help", Message(rule.action)},
            {"defaultConfiguration", {{"level", SeverityName(rule.severity)}}},
            {"properties", {{"family", rule.family}}}};
}

Json Result(const Finding& f) {
    Json out = {{"ruleId", f.rule->code},
                {"ruleIndex", RuleIndex(*f.rule)},
                {"level", SeverityName(f.severity())},
                {"message", {{"text", Sentence(f.reason)}}}};
    if (!f.file.empty()) {
        Json location = {{"artifactLocation", {{"uri", Uri(f.file)}, {"uriBaseId", "FOLDER"}}}};
        if (f.line > 0) location["region"] = {{"startLine", f.line}};
        out["locations"] = Json::array({{{"physicalLocation", location}}});
    }
    return out;
}

}  // namespace

std::string FormatSarif(const Report& report) {
    Json driver = {{"name", kToolName},
                   {"version", kToolVersion},
                   {"semanticVersion", kToolVersion},
                   {"rules", Json::array()}};
    for (const Rule* rule : kRules) driver["rules"].push_back(RuleObject(*rule));
    Json run = {{"tool", {{"driver", driver}}},
                {"originalUriBaseIds",
                 {{"FOLDER", {{"description", {{"text", "The checked folder, " + report.folder}}}}}}},
                {"results", Json::array()}};
    for (const Finding& f : report.findings) run["results"].push_back(Result(f));
    const Json log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                      {"version", "2.1.0"},
                      {"runs", Json::array({run})}};
    return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace check
