// The setup-XML table of SetupXmlCases.h through Windows' XmlLite, as
// setup-check.exe reads a cabinet's setup XML; run under Wine in both trees.
#include <windows.h>

#include <cstdio>

#include "check/SetupXmlCases.h"
#include "wine/wine_test.h"

int main() {
    for (const setupxml::Case& c : setupxml::Cases()) {
        const std::string mismatch = setupxml::Mismatch(c, check::ReadSetupXml(c.bytes));
        ok(mismatch.empty(), "%s:%s", c.what, mismatch.c_str());
    }
    for (const setupxml::EventCase& c : setupxml::EventCases()) {
        setupxml::Transcript transcript;
        check::XmlFailure failure;
        const bool parsed = check::ParseXml(c.bytes, transcript, failure);
        ok(parsed && transcript.text == c.events, "%s: %s (failure %d, line %u)", c.what,
           transcript.text.c_str(), static_cast<int>(failure.kind), failure.line);
    }
    // Refused where its DOCTYPE starts: no expansion is begun.
    const std::string bomb = setupxml::EntityBomb();
    const DWORD start = GetTickCount();
    const check::SetupXml setup = check::ReadSetupXml(bomb);
    const DWORD elapsed = GetTickCount() - start;
    ok(setup.problem == check::SetupXmlProblem::DocumentType && elapsed < 1000,
       "the entity bomb: problem %d after %lu ms", static_cast<int>(setup.problem), elapsed);
    std::printf("the entity bomb refused in %lu ms\n", elapsed);
    return winetest::Finish();
}
