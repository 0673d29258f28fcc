// The setup-XML table, one for both parsers: natively (expat) in
// SetupXmlTest.cpp and under Wine (XmlLite) in setup_xml_tests.cpp. Each row
// is a document and what ReadSetupXml must give for it; the event rows say
// what the parser itself must report, so that both sides report alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/readers/SetupXml.h"
#include "check/readers/XmlEvents.h"

namespace setupxml {

using check::SetupXmlProblem;

// A provisioning document shaped as the Smartphone cabinet wizard writes
// one: Install, then FileOperation (a folder, its files, each extracted from
// the cabinet, and a shortcut), then Registry.
inline std::string Document(const std::string& application, const std::string& declaration =
                                                               "<?xml version=\"1.0\" encoding=\"utf-8\"?>") {
    return declaration + "\r\n<wap-provisioningdoc>\r\n"
           "  <characteristic type=\"Install\">\r\n"
           "    <parm name=\"InstallPhase\" value=\"install\" />\r\n"
           "    <parm name=\"AppName\" value=\"" + application + "\" />\r\n"
           "    <parm name=\"InstallDir\" value=\"%CE1%\\Quillmere\\Street Maps\" translation=\"install\" />\r\n"
           "    <parm name=\"NumDirs\" value=\"1\" />\r\n"
           "    <parm name=\"NumFiles\" value=\"2\" />\r\n"
           "    <parm name=\"NumRegKeys\" value=\"1\" />\r\n"
           "    <parm name=\"NumRegVals\" value=\"1\" />\r\n"
           "    <parm name=\"NumShortcuts\" value=\"1\" />\r\n"
           "  </characteristic>\r\n"
           "  <characteristic type=\"FileOperation\">\r\n"
           "    <characteristic type=\"%InstallDir%\" translation=\"install\">\r\n"
           "      <characteristic type=\"MakeDir\" />\r\n"
           "      <characteristic type=\"StreetMaps.exe\" translation=\"install\">\r\n"
           "        <characteristic type=\"Extract\">\r\n"
           "          <parm name=\"Source\" value=\"SYSTEM~1.001\" />\r\n"
           "        </characteristic>\r\n"
           "      </characteristic>\r\n"
           "      <characteristic type=\"Streets.dat\" translation=\"install\">\r\n"
           "        <characteristic type=\"Extract\">\r\n"
           "          <parm name=\"Source\" value=\"SYSTEM~2.002\" />\r\n"
           "        </characteristic>\r\n"
           "      </characteristic>\r\n"
           "    </characteristic>\r\n"
           "    <characteristic type=\"%CE11%\" translation=\"install\">\r\n"
           "      <characteristic type=\"Street Maps.lnk\" translation=\"install\">\r\n"
           "        <characteristic type=\"Shortcut\">\r\n"
           "          <parm name=\"Source\" value=\"%InstallDir%\\StreetMaps.exe\" translation=\"install\" />\r\n"
           "        </characteristic>\r\n"
           "      </characteristic>\r\n"
           "    </characteristic>\r\n"
           "  </characteristic>\r\n"
           "  <characteristic type=\"Registry\">\r\n"
           "    <characteristic type=\"HKLM\\Software\\Quillmere\\Street Maps\">\r\n"
           "      <parm name=\"Version\" value=\"2.1\" datatype=\"string\" />\r\n"
           "    </characteristic>\r\n"
           "  </characteristic>\r\n"
           "</wap-provisioningdoc>\r\n";
}

// UTF-16LE with its byte-order mark, from UTF-8.
inline std::string Utf16(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    const auto unit = [&out](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        if (c < 0x10000) {
            unit(c);
        } else {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

// The internal-entity bomb: ten levels of ten, 10^9 "lol"s when expanded.
inline std::string EntityBomb() {
    std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE wap-provisioningdoc [\n"
                      "  <!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        doc += "  <!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) doc += "&lol" + std::to_string(i - 1) + ";";
        doc += "\">\n";
    }
    return doc + "]>\n<wap-provisioningdoc><characteristic type=\"Install\">"
                 "<parm name=\"AppName\" value=\"&lol9;\"/></characteristic></wap-provisioningdoc>\n";
}

// Elements nested depth deep, the innermost the Install characteristic.
inline std::string Nested(int depth) {
    std::string doc = "<wap-provisioningdoc><characteristic type=\"Install\">"
                      "<parm name=\"AppName\" value=\"Deep\"/>";
    for (int i = 3; i <= depth; ++i) doc += "<characteristic type=\"x\">";
    for (int i = 3; i <= depth; ++i) doc += "</characteristic>";
    return doc + "</characteristic></wap-provisioningdoc>";
}

// A whole document grown with blanks after its root to exactly size bytes.
inline std::string Sized(std::size_t size) {
    const std::string doc = Document("Padded");
    return doc + std::string(size - doc.size(), ' ');
}

// A comment of n characters, CR LF counted as one, in a whole document.
inline std::string Commented(std::size_t n) {
    return Document("Commented") + "<!--\r\n" + std::string(n - 1, 'x') + "-->";
}

struct Case {
    const char* what;
    std::string bytes;
    SetupXmlProblem problem;
    uint32_t line;  // the parser's line; 0: not compared
    std::string application, installDir;
    std::vector<std::string> sources;
};

inline std::vector<Case> Cases() {
    const std::string dir = "%CE1%\\Quillmere\\Street Maps";
    const std::vector<std::string> both = {"SYSTEM~1.001", "SYSTEM~2.002"};
    const std::string wide = "Stra\xC3\x9F" "enkarte \xE5\x9C\xB0\xE5\x9B\xB3 \xF0\x9D\x84\x9E";
    const std::string install = "<wap-provisioningdoc><characteristic type=\"Install\">";
    const std::string end = "</characteristic></wap-provisioningdoc>";
    const SetupXmlProblem none = SetupXmlProblem::None;
    return {
        {"a whole document", Document("Street Maps"), none, 0, "Street Maps", dir, both},
        {"UTF-8, names beyond ASCII", Document(wide), none, 0, wide, dir, both},
        {"UTF-16 with its byte-order mark",
         Utf16(Document(wide, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>")), none, 0, wide, dir, both},
        {"a character reference in AppName", install + "<parm name=\"AppName\" value=\"&#x5730;&amp;\"/>" + end,
         none, 0, "\xE5\x9C\xB0&", "", {}},
        {"values in another case", "<wap-provisioningdoc><characteristic type=\"install\">"
         "<parm name=\"appname\" value=\"Lower\"/>" + end, none, 0, "Lower", "", {}},
        {"no Install", "<wap-provisioningdoc><characteristic type=\"FileOperation\"/></wap-provisioningdoc>",
         SetupXmlProblem::NoInstall, 0, "", "", {}},
        {"Install below another characteristic", "<wap-provisioningdoc><characteristic type=\"x\">"
         "<characteristic type=\"Install\"><parm name=\"AppName\" value=\"A\"/></characteristic>" + end,
         SetupXmlProblem::NoInstall, 0, "", "", {}},
        {"an element name in another case", "<wap-provisioningdoc><Characteristic type=\"Install\">"
         "<parm name=\"AppName\" value=\"A\"/></Characteristic></wap-provisioningdoc>",
         SetupXmlProblem::NoInstall, 0, "", "", {}},
        {"an empty AppName", install + "<parm name=\"AppName\" value=\"\"/>" + end,
         SetupXmlProblem::NoApplicationName, 0, "", "", {}},
        {"no AppName", install + "<parm name=\"InstallDir\" value=\"\\A\"/>" + end,
         SetupXmlProblem::NoApplicationName, 0, "", "\\A", {}},
        {"another root", "<wap-provisioningDoc><characteristic type=\"Install\">"
         "<parm name=\"AppName\" value=\"A\"/></characteristic></wap-provisioningDoc>",
         SetupXmlProblem::NotProvisioningDoc, 0, "", "", {}},
        {"an end tag that does not match", "<wap-provisioningdoc>\n<characteristic type=\"Install\">\n"
         "</parm>\n</wap-provisioningdoc>", SetupXmlProblem::NotWellFormed, 3, "", "", {}},
        {"an empty file", "", SetupXmlProblem::NotWellFormed, 0, "", "", {}},
        {"an entity never declared", install + "<parm name=\"AppName\" value=\"&name;\"/>" + end,
         SetupXmlProblem::NotWellFormed, 0, "", "", {}},
        {"an undeclared namespace prefix", "<wap-provisioningdoc><x:characteristic/></wap-provisioningdoc>",
         SetupXmlProblem::NotWellFormed, 0, "", "", {}},
        {"a document type", "<?xml version=\"1.0\"?>\n<!DOCTYPE wap-provisioningdoc>\n" +
         Document("A", ""), SetupXmlProblem::DocumentType, 2, "", "", {}},
        {"the entity bomb", EntityBomb(), SetupXmlProblem::DocumentType, 2, "", "", {}},
        {"an external entity", "<!DOCTYPE wap-provisioningdoc [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
         + install + "<parm name=\"AppName\" value=\"&x;\"/>" + end,
         SetupXmlProblem::DocumentType, 1, "", "", {}},
        {"32 elements deep", Nested(check::kXmlMaxDepth), none, 0, "Deep", "", {}},
        {"33 elements deep", Nested(check::kXmlMaxDepth + 1), SetupXmlProblem::TooDeep, 1, "", "", {}},
        {"exactly the largest size", Sized(check::kXmlMaxBytes), none, 0, "Padded", dir, both},
        {"a byte more", Sized(check::kXmlMaxBytes + 1), SetupXmlProblem::TooLarge, 0, "", "", {}},
        {"the longest comment", Commented(check::kXmlMaxComment), none, 0, "Commented", dir, both},
        {"a character more", Commented(check::kXmlMaxComment + 1), SetupXmlProblem::TooLarge, 0,
         "", "", {}},
        {"a character more in UTF-16",
         Utf16("<!--" + std::string(check::kXmlMaxComment + 1, 'x') + "--><wap-provisioningdoc/>"),
         SetupXmlProblem::TooLarge, 0, "", "", {}},
    };
}

// What differs from the row, or "" when nothing does.
inline std::string Mismatch(const Case& c, const check::SetupXml& got) {
    std::string out;
    if (got.problem != c.problem)
        out += " problem " + std::to_string(static_cast<int>(got.problem)) + ", expected " +
               std::to_string(static_cast<int>(c.problem)) + " (" +
               check::DescribeSetupXmlProblem(got) + ");";
    if (c.line && got.line != c.line)
        out += " line " + std::to_string(got.line) + ", expected " + std::to_string(c.line) + ";";
    if (got.application != c.application)
        out += " AppName \"" + got.application + "\", expected \"" + c.application + "\";";
    if (got.installDir != c.installDir) out += " InstallDir \"" + got.installDir + "\";";
    if (got.sources != c.sources) out += " " + std::to_string(got.sources.size()) + " sources;";
    return out;
}

// The parser's events as text: <name a=v ...> and </name>.
class Transcript final : public check::XmlEvents {
public:
    void StartElement(const std::string& name, const std::vector<check::XmlAttribute>& attributes) override {
        text += "<" + name;
        for (const auto& a : attributes) text += " " + a.name + "=" + a.value;
        text += ">";
    }
    void EndElement(const std::string& name) override { text += "</" + name + ">"; }
    std::string text;
};

struct EventCase {
    const char* what;
    std::string bytes, events;
};

inline std::vector<EventCase> EventCases() {
    return {
        {"names as written, without namespace declarations",
         "<p:a xmlns:p=\"urn:p\" xmlns=\"urn:d\" p:x=\"1\" y=\"2\"><b xml:lang=\"en\"/></p:a>",
         "<p:a p:x=1 y=2><b xml:lang=en></b></p:a>"},
        {"references and blanks in values", "<a v=\"&lt;&#65;&#x42;\t&quot;\"/>", "<a v=<AB \"></a>"},
        {"UTF-16", Utf16("<a><b c=\"\xC3\xA9\"/></a>"), "<a><b c=\xC3\xA9></b></a>"},
    };
}

}  // namespace setupxml
