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
        const Role parent = open_.empty() ? Role::kNone : open_.back();
        Role role = Role::kOther;
        if (open_.empty()) {
            setup_.root = name;
            role = name == kRootName ? Role::kRoot : Role::kOther;
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
    enum class Role { kNone, kRoot, kInstall, kFileOperation, kExtract, kOther };

    // The services are characteristics of the root; an Extract lies at any
    // depth of FileOperation's (under a folder's and a file's).
    Role Characteristic(Role parent, const std::string* type) {
        if (!type) return Role::kOther;
        if (parent == Role::kRoot && SameName(*type, "Install")) {
            sawInstall = true;
            return Role::kInstall;
        }
        if (parent == Role::kRoot && SameName(*type, "FileOperation")) return Role::kFileOperation;
        if (parent == Role::kFileOperation || parent == Role::kExtract)
            return SameName(*type, "Extract") ? Role::kExtract : Role::kFileOperation;
        return Role::kOther;
    }

    void Parm(Role parent, const std::string* name, const std::string* value) {
        if (!name) return;
        const std::string text = value ? *value : std::string();
        if (parent == Role::kInstall && !sawApplication && SameName(*name, "AppName")) {
            sawApplication = true;
            setup_.application = text;
        } else if (parent == Role::kInstall && !sawInstallDir && SameName(*name, "InstallDir")) {
            sawInstallDir = true;
            setup_.installDir = text;
        } else if (parent == Role::kExtract && SameName(*name, "Source")) {
            setup_.sources.push_back(text);
        }
    }

    SetupXml& setup_;
    std::vector<Role> open_;
};

SetupXmlProblem ProblemOf(XmlFailureKind kind) {
    switch (kind) {
    case XmlFailureKind::kNone:
    case XmlFailureKind::kNotWellFormed: return SetupXmlProblem::kNotWellFormed;
    case XmlFailureKind::kDocumentType: return SetupXmlProblem::kDocumentType;
    case XmlFailureKind::kTooDeep: return SetupXmlProblem::kTooDeep;
    case XmlFailureKind::kTooLarge: return SetupXmlProblem::kTooLarge;
    case XmlFailureKind::kUnavailable: return SetupXmlProblem::kParserUnavailable;
    }
    return SetupXmlProblem::kNotWellFormed;
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
        setup.problem = SetupXmlProblem::kNotProvisioningDoc;
    else if (!reader.sawInstall)
        setup.problem = SetupXmlProblem::kNoInstall;
    else if (Blank(setup.application))
        setup.problem = SetupXmlProblem::kNoApplicationName;
    return setup;
}

std::string DescribeSetupXmlProblem(const SetupXml& setup) {
    const std::string at = setup.line ? " (line " + std::to_string(setup.line) + ")" : "";
    switch (setup.problem) {
    case SetupXmlProblem::kNone: return "";
    case SetupXmlProblem::kNotWellFormed: return "is not well-formed XML" + at;
    case SetupXmlProblem::kDocumentType:
        return "declares a document type (<!DOCTYPE>)" + at +
               ", which a setup XML has no use for: refused unread";
    case SetupXmlProblem::kTooDeep:
        return "nests its elements more than " + std::to_string(kXmlMaxDepth) + " deep" + at +
               ": refused";
    case SetupXmlProblem::kTooLarge:
        return "is larger than a setup XML can be (over " + std::to_string(kXmlMaxBytes) +
               " bytes, or a comment of over " + std::to_string(kXmlMaxComment) +
               " characters): refused";
    case SetupXmlProblem::kNotProvisioningDoc:
        return std::string("does not start with the element <") + kRootName + "> (its root is <" +
               Shown(setup.root) + ">)";
    case SetupXmlProblem::kNoInstall:
        return std::string("has no characteristic of type \"Install\" under <") + kRootName +
               ">: it names no application to install";
    case SetupXmlProblem::kNoApplicationName:
        return "names no application: its Install characteristic has no parm \"AppName\" with a "
               "value";
    case SetupXmlProblem::kParserUnavailable:
        return "could not be read: the system's XML parser could not be loaded";
    }
    return "";
}

}  // namespace check
