#include "kinds.h"

#include "catalogue/ComponentKinds.h"

Kind KindOfName(const std::string& name) {
    const ComponentKind* kind = ComponentKindOfName(name);
    if (!kind) return Kind::None;
    switch (kind->format) {
    case FileFormat::CeDescription: return Kind::Description;
    case FileFormat::PalmResourceDatabase: return Kind::Application;
    case FileFormat::PalmRecordDatabase: return Kind::Database;
    }
    return Kind::None;
}

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::Description: return "description file";
    case Kind::Application: return "application";
    case Kind::Database: return "database";
    case Kind::None: break;
    }
    return "not listed";
}

std::string ExpectedRow(const std::string& name) {
    const ComponentKind* kind = ComponentKindOfName(name);
    return kind && kind->rows == RowSource::FileName ? FileNameRowText(*kind, name) : std::string();
}
