#include "check/readers/SetupXml.h"

#include "check/readers/XmlEvents.h"

namespace check {

namespace {

const char kRootName[] = "wap-provisioningdoc";

bool SameName(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return i == a.size() && !b[i];
}

const std::string* Attribute(const std::vector<XmlAttribute>& attributes, const char* name) {
    for (const XmlAttribute& a : attributes)
        if (a.name == name) return &a.value;
    return nullptr;
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Walks the document keeping, for each open element, what it is to the
// installer.
class Reader final : public XmlEvents {
public:
    explicit Reader(SetupXml& setup) : setup_(setup) {}

    void StartElement(const std::string& name, const std::vector<XmlAttribute>& attributes) override {
        const Role parent = open_.empty() ? Role::None : open_.back();
        Role role = Role::Other;
        if (open_.empty()) {
            setup_.root = name;
            role = name == kRootName ? Role::Root : Role::Other;
        } else if (name == "characteristic") {
            role = Characteristic(parent, Attribute(attributes, "type"));
        } else if (name == "parm") {
            Parm(parent, Attribute(attributes, "name"), Attribute(attributes, "value"));
        }
        open_.push_back(role);
    }

    void EndElement(const std::string&) override {
        if (!open_.empty()) open_.pop_back();
    }

    bool sawInstall = false, sawApplication = false, sawInstallDir = false;

private:
    enum class Role { None, Root, Install, FileOperation, Extract, Other };

    // The services are characteristics of the root; an Extract lies at any
    // depth of FileOperation's (under a folder's and a file's).
    Role Characteristic(Role parent, const std::string* type) {
        if (!type) return Role::Other;
        if (parent == Role::Root && SameName(*type, "Install")) {
            sawInstall = true;
            return Role::Install;
        }
        if (parent == Role::Root && SameName(*type, "FileOperation")) return Role::FileOperation;
        if (parent == Role::FileOperation || parent == Role::Extract)
            return SameName(*type, "Extract") ? Role::Extract : Role::FileOperation;
        return Role::Other;
    }

    void Parm(Role parent, const std::string* name, const std::string* value) {
        if (!name) return;
        const std::string text = value ? *value : std::string();
        if (parent == Role::Install && !sawApplication && SameName(*name, "AppName")) {
            sawApplication = true;
            setup_.application = text;
        } else if (parent == Role::Install && !sawInstallDir && SameName(*name, "InstallDir")) {
            sawInstallDir = true;
            setup_.installDir = text;
        } else if (parent == Role::Extract && SameName(*name, "Source")) {
            setup_.sources.push_back(text);
        }
    }

    SetupXml& setup_;
    std::vector<Role> open_;
};

SetupXmlProblem ProblemOf(XmlFailureKind kind) {
    switch (kind) {
    case XmlFailureKind::None:
    case XmlFailureKind::NotWellFormed: return SetupXmlProblem::NotWellFormed;
    case XmlFailureKind::DocumentType: return SetupXmlProblem::DocumentType;
    case XmlFailureKind::TooDeep: return SetupXmlProblem::TooDeep;
    case XmlFailureKind::TooLarge: return SetupXmlProblem::TooLarge;
    case XmlFailureKind::Unavailable: return SetupXmlProblem::ParserUnavailable;
    }
    return SetupXmlProblem::NotWellFormed;
}

// A name from the document, cut to a length a message can hold, on a
// character's first byte.
std::string Shown(const std::string& name) {
    constexpr std::size_t kLongest = 40;
    if (name.size() <= kLongest) return name;
    std::size_t end = kLongest;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end) + "...";
}

}  // namespace

SetupXml ReadSetupXml(const std::string& bytes) {
    SetupXml setup;
    Reader reader(setup);
    XmlFailure failure;
    if (!ParseXml(bytes, reader, failure)) {
        SetupXml refused;
        refused.problem = ProblemOf(failure.kind);
        refused.line = failure.line;
        return refused;
    }
    if (setup.root != kRootName)
        setup.problem = SetupXmlProblem::NotProvisioningDoc;
    else if (!reader.sawInstall)
        setup.problem = SetupXmlProblem::NoInstall;
    else if (Blank(setup.application))
        setup.problem = SetupXmlProblem::NoApplicationName;
    return setup;
}

std::string DescribeSetupXmlProblem(const SetupXml& setup) {
    const std::string at = setup.line ? " (line " + std::to_string(setup.line) + ")" : "";
    switch (setup.problem) {
    case SetupXmlProblem::None: return "";
    case SetupXmlProblem::NotWellFormed: return "is not well-formed XML" + at;
    case SetupXmlProblem::DocumentType:
        return "declares a document type (<!DOCTYPE>" + (setup.line ? ", line " + std::to_string(setup.line) : "") +
               "), which a setup XML has no use for: refused unread";
    case SetupXmlProblem::TooDeep:
        return "nests its elements more than " + std::to_string(kXmlMaxDepth) + " deep" + at +
               ": refused";
    case SetupXmlProblem::TooLarge:
        return "is larger than a setup XML can be (over " + std::to_string(kXmlMaxBytes) +
               " bytes, or a comment of over " + std::to_string(kXmlMaxComment) +
               " characters): refused";
    case SetupXmlProblem::NotProvisioningDoc:
        return std::string("does not start with the element <") + kRootName + "> (its root is <" +
               Shown(setup.root) + ">)";
    case SetupXmlProblem::NoInstall:
        return std::string("has no characteristic of type \"Install\" under <") + kRootName +
               ">: it names no application to install";
    case SetupXmlProblem::NoApplicationName:
        return "names no application: its Install characteristic has no parm \"AppName\" with a "
               "value";
    case SetupXmlProblem::ParserUnavailable:
        return "could not be read: the system's XML parser could not be loaded";
    }
    return "";
}

}  // namespace check
