#include "catalogue/ComponentKinds.h"

#include <cstring>

#include "platform/Names.h"

namespace {

constexpr bool CeKindsHaveNoPrefix() {
    for (const ComponentKind& kind : kComponentKinds)
        if (kind.tool == InstallTool::CeAppManager && kind.prefix[0] != '\0') return false;
    return true;
}
// ToolForPath sees the folder in front of the name, so it can check a suffix
// but not a prefix.
static_assert(CeKindsHaveNoPrefix(), "a CE kind with a prefix needs the name taken from the path");

}  // namespace

const ComponentKind* ComponentKindOfName(const std::string& name) {
    for (const ComponentKind& kind : kComponentKinds)
        if (platform::NameMatchesPattern(name, kind.prefix, kind.suffix)) return &kind;
    return nullptr;
}

std::string KindPattern(const ComponentKind& kind) {
    return std::string(kind.prefix) + "*" + kind.suffix;
}

std::string FileNameRowText(const ComponentKind& kind, const std::string& name) {
    const std::size_t p = std::strlen(kind.prefix), s = std::strlen(kind.suffix);
    return name.substr(p, name.size() - p - s) + kind.rowEnding;
}

InstallTool ToolForPath(const std::string& fullPath) {
    for (const ComponentKind& kind : kComponentKinds) {
        if (kind.tool != InstallTool::CeAppManager) continue;
        const std::size_t s = std::strlen(kind.suffix);
        if (fullPath.size() > s && platform::NameMatchesPattern(fullPath, "", kind.suffix))
            return InstallTool::CeAppManager;
    }
    // Only the CE tool is chosen by the path: every other record (a Palm
    // application or database) is the Palm tool's.
    return InstallTool::PalmInstall;
}
