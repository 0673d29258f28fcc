// The one XML parser the folder check uses, behind the few events its
// readers need: expat natively, Windows' own XmlLite in setup-check.exe.
// The bytes are a vendor's, so either side refuses what could make reading
// them costly: any document type declaration (no DTD, no entities of the
// document's own, nothing loaded from elsewhere), nesting deeper than
// kXmlMaxDepth, input larger than kXmlMaxBytes, a comment longer than
// kXmlMaxComment characters (Wine's XmlLite cannot read one of some 131,000:
// XmlEvents_xmllite.cpp). Both sides are namespace
// aware, report names as written (prefix:local) and leave out namespace
// declarations, so that they give the same events for the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace check {

constexpr std::size_t kXmlMaxBytes = 1024 * 1024;  // a setup XML has a few KB
constexpr int kXmlMaxDepth = 32;                   // the root is at depth 1
constexpr std::size_t kXmlMaxComment = 64 * 1024;  // characters, line ends as LF

struct XmlAttribute {
    std::string name, value;  // UTF-8
};

// What the parser reports, in document order; names and values in UTF-8.
class XmlEvents {
public:
    virtual ~XmlEvents() = default;
    virtual void StartElement(const std::string& name, const std::vector<XmlAttribute>& attributes) = 0;
    virtual void EndElement(const std::string& name) = 0;
};

enum class XmlFailureKind {
    None,
    NotWellFormed,
    DocumentType,  // a <!DOCTYPE ...>: refused where it starts
    TooDeep,
    TooLarge,      // the document, or one of its comments
    Unavailable,  // the parser could not be had (XmlLite not loaded)
};

struct XmlFailure {
    XmlFailureKind kind = XmlFailureKind::None;
    uint32_t line = 0;  // where the parser stopped, from 1; 0 where none is known
};

// Feeds the document's elements to sink. False, with failure set, when the
// document is refused; the events given until then stand.
bool ParseXml(const std::string& bytes, XmlEvents& sink, XmlFailure& failure);

}  // namespace check
