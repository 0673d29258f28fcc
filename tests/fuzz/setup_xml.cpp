// The input is a cabinet's setup XML. The parser must refuse it or report
// its elements in balance, within its limits; the reader must keep nothing
// of a refused document and name an application only for a sound one.
#include "check/readers/SetupXml.h"
#include "check/readers/XmlEvents.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

class Balance final : public check::XmlEvents {
public:
    void StartElement(const std::string& name, const std::vector<check::XmlAttribute>& attributes) override {
        FUZZ_CHECK(!name.empty());
        for (const check::XmlAttribute& a : attributes) FUZZ_CHECK(!a.name.empty());
        open.push_back(name);
        FUZZ_CHECK(open.size() <= check::kXmlMaxDepth);
        ++elements;
    }
    void EndElement(const std::string& name) override {
        FUZZ_CHECK(!open.empty() && open.back() == name);
        if (!open.empty()) open.pop_back();
    }
    std::vector<std::string> open;
    std::size_t elements = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Balance balance;
    check::XmlFailure failure;
    const bool parsed = check::ParseXml(bytes, balance, failure);
    FUZZ_CHECK(parsed == (failure.kind == check::XmlFailureKind::None));
    FUZZ_CHECK(failure.kind != check::XmlFailureKind::Unavailable);
    FUZZ_CHECK(!parsed || (balance.open.empty() && balance.elements > 0));

    const check::SetupXml setup = check::ReadSetupXml(bytes);
    const std::string problem = check::DescribeSetupXmlProblem(setup);
    FUZZ_CHECK(problem.empty() == (setup.problem == check::SetupXmlProblem::None));
    FUZZ_CHECK(parsed == (setup.problem == check::SetupXmlProblem::None ||
                          setup.problem == check::SetupXmlProblem::NotProvisioningDoc ||
                          setup.problem == check::SetupXmlProblem::NoInstall ||
                          setup.problem == check::SetupXmlProblem::NoApplicationName));
    if (!parsed) FUZZ_CHECK(setup.application.empty() && setup.sources.empty() && setup.root.empty());
    if (setup.problem == check::SetupXmlProblem::None)
        FUZZ_CHECK(setup.root == "wap-provisioningdoc" &&
                   setup.application.find_first_not_of(" \t\r\n") != std::string::npos);
    FUZZ_CHECK(setup.sources.size() <= size / 8);
    return 0;
}
