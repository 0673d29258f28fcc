// The XML parser in setup-check.exe: Windows' own XmlLite, loaded from the
// system folder at run time (mingw has its header but no import library),
// reading the bytes through a memory stream. XmlLite is asked to refuse a
// DTD and to limit the depth, and this side refuses a document type node and
// counts the depth itself as well, in case an XmlLite does not honour a
// property (Wine's 8.0 refuses the DTD before any document type node, but
// stops at one level less than the depth it is given). Three more checks
// make XmlLite's answers expat's where Wine's differs: prefixes must be
// declared; a comment longer than kXmlMaxComment is refused before XmlLite
// sees it, since Wine's reads on in a comment through a pointer into a
// buffer it has since moved (a comment of some 131,000 characters crashes or
// hangs it); an empty document is refused.
#include "check/readers/XmlEvents.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "platform/Handles_win32.h"
#include "platform/Win32System.h"

namespace check {

namespace {

// Releases the COM object it holds; not copied.
template <class Interface>
class ComOwner {
public:
    ComOwner() = default;
    explicit ComOwner(Interface* object) : object_(object) {}
    ~ComOwner() {
        if (object_) object_->Release();
    }
    ComOwner(const ComOwner&) = delete;
    ComOwner& operator=(const ComOwner&) = delete;

    Interface* operator->() const { return object_; }
    Interface* Get() const { return object_; }
    // For a call that gives the object through a pointer.
    void** Receive() {
        if (object_) object_->Release();
        object_ = nullptr;
        return reinterpret_cast<void**>(&object_);
    }

private:
    Interface* object_ = nullptr;
};

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// UTF-16 of XmlLite in UTF-8; false where it is not valid UTF-16.
bool Utf8(const wchar_t* text, UINT length, std::string& out) {
    out.clear();
    if (length == 0) return true;
    const int n = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, n, nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return false;
    out.resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, n, &out[0], size, nullptr,
                               nullptr) == size;
}

// Where a comment's characters are counted as expat counts them: a CR
// before an LF is not, nor a UTF-8 continuation byte or a low surrogate.
class Units {
public:
    explicit Units(const std::string& bytes) : bytes_(bytes) {
        const auto at = [&bytes](std::size_t i) { return i < bytes.size() ? bytes[i] : 'x'; };
        wide_ = (at(0) == '\xFF' && at(1) == '\xFE') || (at(0) == '\xFE' && at(1) == '\xFF') ||
                (at(0) == '<' && at(1) == 0) || (at(0) == 0 && at(1) == '<');
        big_ = at(0) == '\xFE' || at(0) == 0;
    }
    std::size_t Count() const { return wide_ ? bytes_.size() / 2 : bytes_.size(); }
    unsigned Unit(std::size_t i) const {
        if (!wide_) return static_cast<unsigned char>(bytes_[i]);
        const unsigned a = static_cast<unsigned char>(bytes_[2 * i]);
        const unsigned b = static_cast<unsigned char>(bytes_[2 * i + 1]);
        return big_ ? a << 8 | b : b << 8 | a;
    }
    bool Is(std::size_t i, const char* text) const {
        for (std::size_t k = 0; text[k]; ++k)
            if (i + k >= Count() || Unit(i + k) != static_cast<unsigned char>(text[k])) return false;
        return true;
    }
    bool Counted(std::size_t i) const {
        const unsigned u = Unit(i);
        if (u == '\r' && i + 1 < Count() && Unit(i + 1) == '\n') return false;
        return wide_ ? u < 0xDC00 || u > 0xDFFF : (u & 0xC0) != 0x80;
    }

private:
    const std::string& bytes_;
    bool wide_ = false, big_ = false;
};

bool LongComment(const std::string& bytes) {
    const Units units(bytes);
    for (std::size_t i = 0; i < units.Count(); ++i) {
        if (!units.Is(i, "<!--")) continue;
        std::size_t characters = 0;
        for (i += 4; i < units.Count() && !units.Is(i, "-->"); ++i) characters += units.Counted(i);
        if (characters > kXmlMaxComment) return true;
    }
    return false;
}

bool QualifiedName(IXmlReader& reader, std::string& name) {
    const wchar_t* text = nullptr;
    UINT length = 0;
    return reader.GetQualifiedName(&text, &length) == S_OK && Utf8(text, length, name);
}

bool Value(IXmlReader& reader, std::string& value) {
    const wchar_t* text = nullptr;
    UINT length = 0;
    return reader.GetValue(&text, &length) == S_OK && Utf8(text, length, value);
}

// Whether the prefix of the node's name, where it has one, is declared
// (Wine's XmlLite gives an undeclared one no prefix and no namespace).
bool PrefixDeclared(IXmlReader& reader, const std::string& name) {
    if (name.find(':') == std::string::npos || name.compare(0, 4, "xml:") == 0) return true;
    const wchar_t* uri = nullptr;
    UINT length = 0;
    return reader.GetNamespaceUri(&uri, &length) == S_OK && length > 0;
}

// The element's attributes, without namespace declarations (expat, natively,
// does not report them either).
bool Attributes(IXmlReader& reader, std::vector<XmlAttribute>& list) {
    for (HRESULT hr = reader.MoveToFirstAttribute(); hr == S_OK;
         hr = reader.MoveToNextAttribute()) {
        XmlAttribute a;
        if (!QualifiedName(reader, a.name) || !Value(reader, a.value)) return false;
        if (a.name == "xmlns" || a.name.compare(0, 6, "xmlns:") == 0) continue;
        if (!PrefixDeclared(reader, a.name)) return false;
        list.push_back(a);
    }
    // S_FALSE: it was on the element already (no attributes).
    return SUCCEEDED(reader.MoveToElement());
}

class Parse {
public:
    Parse(IXmlReader& reader, XmlEvents& sink, XmlFailure& failure)
        : reader_(reader), sink_(sink), failure_(failure) {}

    bool Run() {
        bool sawRoot = false;
        for (;;) {
            XmlNodeType type = XmlNodeType_None;
            const HRESULT hr = reader_.Read(&type);
            if (hr == S_FALSE) break;
            if (hr != S_OK) return Fail(Kind(hr));
            if (type == XmlNodeType_DocumentType) return Fail(XmlFailureKind::DocumentType);
            if (type == XmlNodeType_Element) {
                sawRoot = true;
                if (!Start()) return false;
            } else if (type == XmlNodeType_EndElement) {
                if (!End()) return false;
            }
        }
        // XmlLite ends an empty document without an error; expat does not.
        return sawRoot || Fail(XmlFailureKind::NotWellFormed);
    }

private:
    static XmlFailureKind Kind(HRESULT hr) {
        if (hr == static_cast<HRESULT>(WC_E_DTDPROHIBITED)) return XmlFailureKind::DocumentType;
        if (hr == static_cast<HRESULT>(SC_E_MAXELEMENTDEPTH)) return XmlFailureKind::TooDeep;
        return XmlFailureKind::NotWellFormed;
    }

    bool Fail(XmlFailureKind kind) {
        failure_.kind = kind;
        UINT line = 0;
        failure_.line = reader_.GetLineNumber(&line) == S_OK ? line : 0;
        return false;
    }

    bool Start() {
        // Asked before the attributes are visited: it is the element's.
        const bool empty = reader_.IsEmptyElement() != FALSE;
        std::string name;
        std::vector<XmlAttribute> attributes;
        if (++depth_ > kXmlMaxDepth) return Fail(XmlFailureKind::TooDeep);
        if (!QualifiedName(reader_, name) || !PrefixDeclared(reader_, name) ||
            !Attributes(reader_, attributes))
            return Fail(XmlFailureKind::NotWellFormed);
        sink_.StartElement(name, attributes);
        if (!empty) return true;
        --depth_;
        sink_.EndElement(name);
        return true;
    }

    bool End() {
        std::string name;
        if (!QualifiedName(reader_, name)) return Fail(XmlFailureKind::NotWellFormed);
        --depth_;
        sink_.EndElement(name);
        return true;
    }

    IXmlReader& reader_;
    XmlEvents& sink_;
    XmlFailure& failure_;
    int depth_ = 0;
};

}  // namespace

bool ParseXml(const std::string& bytes, XmlEvents& sink, XmlFailure& failure) {
    failure = XmlFailure{};
    if (bytes.size() > kXmlMaxBytes || LongComment(bytes)) {
        failure.kind = XmlFailureKind::TooLarge;
        return false;
    }
    failure.kind = XmlFailureKind::Unavailable;
    const platform::LibraryHandle library(platform::LoadSystemLibrary("xmllite.dll"));
    if (!library.Get()) return false;
    const auto create = reinterpret_cast<CreateXmlReaderFn>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "CreateXmlReader")));
    static const BYTE kNothing = 0;
    // Declared after the library, so released before it is freed.
    ComOwner<IXmlReader> reader;
    ComOwner<IStream> stream(SHCreateMemStream(bytes.empty() ? &kNothing
                                                             : reinterpret_cast<const BYTE*>(bytes.data()),
                                               static_cast<UINT>(bytes.size())));
    if (!create || !stream.Get() || FAILED(create(__uuidof(IXmlReader), reader.Receive(), nullptr)) ||
        !reader.Get())
        return false;
    // Failures to set these are covered by this side's own checks, which
    // also keep the depth limit exact where XmlLite's is one short.
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kXmlMaxDepth + 1);
    if (FAILED(reader->SetInput(stream.Get()))) return false;
    failure.kind = XmlFailureKind::None;
    return Parse(*reader.Get(), sink, failure).Run();
}

}  // namespace check
