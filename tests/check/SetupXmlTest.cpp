// The setup XML of a cabinet through expat: the table both parsers share,
// and the entity bomb's cost.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "check/SetupXmlCases.h"

namespace {

TEST(SetupXml, EachDocumentOfTheTable) {
    for (const setupxml::Case& c : setupxml::Cases())
        EXPECT_EQ(setupxml::Mismatch(c, check::ReadSetupXml(c.bytes)), "") << c.what;
}

TEST(SetupXml, EventsOfTheParser) {
    for (const setupxml::EventCase& c : setupxml::EventCases()) {
        setupxml::Transcript transcript;
        check::XmlFailure failure;
        EXPECT_TRUE(check::ParseXml(c.bytes, transcript, failure)) << c.what;
        EXPECT_EQ(transcript.text, c.events) << c.what;
    }
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Refused where its DOCTYPE starts: no expansion is begun.
TEST(SetupXml, TheEntityBombCostsNothing) {
    const std::string bomb = setupxml::EntityBomb();
    const long before = PeakKilobytes();
    const auto start = std::chrono::steady_clock::now();
    const check::SetupXml setup = check::ReadSetupXml(bomb);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(setup.problem, check::SetupXmlProblem::DocumentType);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 100);
    EXPECT_LT(PeakKilobytes() - before, 4096);
}

}  // namespace
