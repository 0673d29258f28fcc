// The XML parser natively: expat, namespace aware, fed the whole document at
// once. A document type declaration stops it where it starts, before any of
// its declarations is read.
#include "check/readers/XmlEvents.h"

#include <expat.h>

#include <memory>

namespace check {

namespace {

// Expanded names come as "uri\nlocal\nprefix", "uri\nlocal" or "local";
// expat refuses a namespace URI that holds the separator.
constexpr XML_Char kSeparator = '\n';

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using Parser = std::unique_ptr<XML_ParserStruct, ParserFree>;

struct Session {
    XML_Parser parser;
    XmlEvents& sink;
    XmlFailure& failure;
    int depth = 0;
};

// The name as written: prefix:local, or local.
std::string Written(const XML_Char* expanded) {
    const std::string name(expanded);
    const std::size_t first = name.find(kSeparator);
    if (first == std::string::npos) return name;
    const std::size_t second = name.find(kSeparator, first + 1);
    const std::string local = name.substr(first + 1, second == std::string::npos
                                                          ? std::string::npos
                                                          : second - first - 1);
    return second == std::string::npos ? local : name.substr(second + 1) + ":" + local;
}

void Stop(Session& s, XmlFailureKind kind) {
    s.failure.kind = kind;
    s.failure.line = static_cast<uint32_t>(XML_GetCurrentLineNumber(s.parser));
    XML_StopParser(s.parser, XML_FALSE);
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Session& s = *static_cast<Session*>(data);
    if (s.failure.kind != XmlFailureKind::None) return;
    if (++s.depth > kXmlMaxDepth) return Stop(s, XmlFailureKind::TooDeep);
    std::vector<XmlAttribute> list;
    for (const XML_Char** a = attributes; a[0] && a[1]; a += 2) list.push_back({Written(a[0]), a[1]});
    s.sink.StartElement(Written(name), list);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
    Session& s = *static_cast<Session*>(data);
    // After a stop expat may still close the element it stopped in.
    if (s.failure.kind != XmlFailureKind::None) return;
    --s.depth;
    s.sink.EndElement(Written(name));
}

void XMLCALL OnComment(void* data, const XML_Char* text) {
    if (static_cast<Session*>(data)->failure.kind != XmlFailureKind::None) return;
    std::size_t characters = 0;
    for (const XML_Char* c = text; *c; ++c) characters += (*c & 0xC0) != 0x80;
    if (characters > kXmlMaxComment) Stop(*static_cast<Session*>(data), XmlFailureKind::TooLarge);
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Stop(*static_cast<Session*>(data), XmlFailureKind::DocumentType);
}

}  // namespace

bool ParseXml(const std::string& bytes, XmlEvents& sink, XmlFailure& failure) {
    failure = XmlFailure{};
    if (bytes.size() > kXmlMaxBytes) {
        failure.kind = XmlFailureKind::TooLarge;
        return false;
    }
    const Parser parser(XML_ParserCreateNS(nullptr, kSeparator));
    if (!parser) {
        failure.kind = XmlFailureKind::Unavailable;
        return false;
    }
    Session session{parser.get(), sink, failure};
    XML_SetReturnNSTriplet(parser.get(), XML_TRUE);
    XML_SetUserData(parser.get(), &session);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCommentHandler(parser.get(), OnComment);
    XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
    // Never read a DTD or an entity from elsewhere (expat's default, said).
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    if (XML_Parse(parser.get(), bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) ==
        XML_STATUS_OK)
        return true;
    if (failure.kind == XmlFailureKind::None) {
        failure.kind = XmlFailureKind::NotWellFormed;
        failure.line = static_cast<uint32_t>(XML_GetCurrentLineNumber(parser.get()));
    }
    return false;
}

}  // namespace check
