#include "kinds.h"

namespace {

bool EndsWith(const std::string& name, const char* suffix, std::size_t n) {
    if (name.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = name[name.size() - n + i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != suffix[i]) return false;
    }
    return true;
}

}  // namespace

Kind KindOfName(const std::string& name) {
    if (EndsWith(name, ".ini", 4)) return Kind::Description;
    if (EndsWith(name, ".prc", 4)) return Kind::Application;
    const bool qm = name.size() >= 7 && (name[0] == 'Q' || name[0] == 'q') &&
                    (name[1] == 'M' || name[1] == 'm') && name[2] == '_';
    if (qm && EndsWith(name, ".pdb", 4)) return Kind::Database;
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
    switch (KindOfName(name)) {
    case Kind::Application: return name.substr(0, name.size() - 4) + " application";
    case Kind::Database: return name.substr(3, name.size() - 7) + " database";
    case Kind::Description:
    case Kind::None: break;
    }
    return std::string();
}
