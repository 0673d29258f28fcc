#include "check/rules/Rules.h"

namespace check {

const char* SeverityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::size_t RuleIndex(const Rule& rule) {
    std::size_t i = 0;
    while (i < sizeof kRules / sizeof kRules[0] && kRules[i] != &rule) ++i;
    return i;
}

const Rule* FindRule(const std::string& code) {
    for (const Rule* rule : kRules)
        if (code == rule->code) return rule;
    return nullptr;
}

std::string FormatRules() {
    const struct {
        Severity severity;
        const char* lead;
        const char* wrong;
    } groups[] = {
        {Severity::Error, "Errors: the end user gets a wrong or failed install. Fix every one.",
         "what is wrong"},
        {Severity::Warning, "Warnings: probably not what you meant.", "what it means"},
    };
    std::string out;
    for (const auto& group : groups) {
        out += std::string(out.empty() ? "" : "\n") + group.lead + "\n\n| code | " + group.wrong +
               " | what to do | family |\n|---|---|---|---|\n";
        for (const Rule* rule : kRules)
            if (rule->severity == group.severity)
                out += std::string("| `") + rule->code + "` | " + rule->title + " | " +
                       rule->action + " | " + rule->family + " |\n";
    }
    return out;
}

}  // namespace check
