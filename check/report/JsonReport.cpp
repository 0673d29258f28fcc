#include "check/report/JsonReport.h"

#include <nlohmann/json.hpp>

#include "platform/Platform.h"

namespace check {

namespace {

// Fields in the order they are written, as scripts have read them.
using Json = nlohmann::ordered_json;

Json Cabinet(const CabinetDevices& cab) {
    Json out = {{"file", cab.file}, {"known", cab.known}};
    if (cab.known) {
        out["processor"] = cab.processor;
        out["versions"] = cab.versions;
        out["devices"] = cab.Devices();
        out["application"] = cab.application;
        out["provider"] = cab.provider;
        out["unsupported"] = cab.unsupported;
        const bool xml = cab.source == SetupSource::SetupXml;
        out["setupKind"] = xml ? "setup-xml" : "ce-setup-file";
        out["setupFile"] = cab.setupFile;
        if (!xml) {
            out["architecture"] = cab.architecture;
            out["leastVersion"] = {cab.least[0], cab.least[1]};
            out["leastBuild"] = cab.least[2];
            out["mostVersion"] = {cab.most[0], cab.most[1]};
            out["mostBuild"] = cab.most[2];
        }
    }
    return out;
}

Json RowObject(const Row& row) {
    Json out = {{"text", row.text}, {"file", row.file}};
    if (row.line > 0) out["line"] = row.line;
    if (!row.cabinets.empty()) {
        out["cabinets"] = Json::array();
        for (const CabinetDevices& cab : row.cabinets) out["cabinets"].push_back(Cabinet(cab));
    }
    return out;
}

Json CommandLineObject(const CommandLine& c) {
    return {{"tool", c.tool},     {"executable", c.executable},
            {"line", c.line},     {"length", c.length},
            {"limit", platform::kMaxCommandLine}, {"fits", c.fits}};
}

Json FindingObject(const Finding& f) {
    Json out = {{"severity", SeverityName(f.severity())}, {"code", f.rule->code}, {"file", f.file}};
    if (f.line > 0) out["line"] = f.line;
    if (!f.pattern.empty()) out["pattern"] = f.pattern;
    out["reason"] = f.reason;
    return out;
}

}  // namespace

std::string FormatJson(const Report& report) {
    Json out = {{"folder", report.folder},
                {"at", report.at},
                {"codePage", report.codePage},
                {"codePageGiven", report.codePageGiven},
                {"rows", Json::array()},
                {"commandLines", Json::array()},
                {"findings", Json::array()}};
    for (const Row& row : report.rows) out["rows"].push_back(RowObject(row));
    for (const CommandLine& c : report.commandLines)
        out["commandLines"].push_back(CommandLineObject(c));
    for (const Finding& f : report.findings) out["findings"].push_back(FindingObject(f));
    out["notes"] = report.notes;
    out["errors"] = report.Count(Severity::Error);
    out["warnings"] = report.Count(Severity::Warning);
    // The texts are UTF-8 already; a stray byte would be a fault of ours,
    // shown rather than thrown.
    return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace check
