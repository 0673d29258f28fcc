// The formats the report comes in, one row each: the name --format takes,
// the formatter, and a few words for the usage text. Every formatter reads
// the report only; a new format is a row here and a file of its own.
#pragma once

#include <string>

#include "check/Check.h"
#include "check/report/JsonReport.h"
#include "check/report/SarifReport.h"
#include "check/report/TextReport.h"

namespace check {

struct OutputFormat {
    const char* name;
    std::string (*format)(const Report& report);
    const char* what;  // for the usage text: "one JSON object"
};

// The first is the default.
inline constexpr OutputFormat kOutputFormats[] = {
    {"text", FormatText, "default"},
    {"json", FormatJson, "one JSON object"},
    {"sarif", FormatSarif, "SARIF 2.1.0"},
};

// The format of a name; null for none.
const OutputFormat* FindOutputFormat(const std::string& name);

// "text (default), json (one JSON object) or sarif (SARIF 2.1.0)", or with
// withWords false "text, json or sarif".
std::string ListOutputFormats(bool withWords);

}  // namespace check
