// The setup XML inside a cabinet (the file "_setup.xml"), which the
// Smartphone cabinet wizard writes instead of a CE setup file and the
// device's cabinet installer hands to its configuration manager (Smartphone,
// Windows Mobile 5.0 and later): a provisioning document whose "Install"
// characteristic names the application, and whose "FileOperation"
// characteristic extracts files of the cabinet, each named by the "Source"
// parm of an "Extract" characteristic.
//
// Element and attribute names are matched exactly, as XML has them: the
// provisioning DTD declares wap-provisioningdoc, characteristic, parm, type,
// name and value in lower case, and an element <Parm> is another element.
// The values that name a characteristic or parm ("Install", "AppName", ...)
// are matched without regard to ASCII case: the documentation states no case
// rule for them, and a cabinet the device may well take must not be called
// broken for their spelling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace check {

enum class SetupXmlProblem {
    None,
    NotWellFormed,
    DocumentType,          // a <!DOCTYPE ...>: refused, never read
    TooDeep,               // elements nested deeper than XmlMaxDepth
    TooLarge,              // over XmlMaxBytes, or a comment over XmlMaxComment
    NotProvisioningDoc,    // the root is not <wap-provisioningdoc>
    NoInstall,             // no characteristic type="Install" under the root
    NoApplicationName,     // no parm AppName in it, or an empty one
    ParserUnavailable,     // the system's XML parser could not be loaded
};

struct SetupXml {
    SetupXmlProblem problem = SetupXmlProblem::None;
    uint32_t line = 0;        // where the parser stopped, where it says
    std::string root;         // the root element's name as written
    std::string application;  // Install's AppName, UTF-8
    std::string installDir;   // Install's InstallDir, as written (%CE1%\...)
    // The Source of every Extract under FileOperation, in document order:
    // each the name of a file of the cabinet (SYSTEM~1.001).
    std::vector<std::string> sources;
};

// Only a document without a problem keeps what was read of it.
SetupXml ReadSetupXml(const std::string& bytes);

// The problem in a vendor's words, following the file's name ("... does not
// start with ..."); empty when there is none.
std::string DescribeSetupXmlProblem(const SetupXml& setup);

}  // namespace check
