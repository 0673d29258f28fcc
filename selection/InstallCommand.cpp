#include "selection/InstallCommand.h"

#include "catalogue/ComponentKinds.h"
#include "handoff/Handoff.h"
#include "resources/resource.h"
#include "shell/MessageText.h"

bool IsCeComponent(const std::string& fullPath) {
    return ToolForPath(fullPath) == InstallTool::CeAppManager;
}

bool SystemHandoffs::InstallCe(platform::WindowHandle owner, const ComponentCatalogue& components) {
    return InstallCeComponents(system_, owner, components);
}

bool SystemHandoffs::InstallPalm(platform::WindowHandle owner,
                                 const ComponentCatalogue& components) {
    return InstallPalmComponents(system_, owner, components);
}

void PartitionCheckedComponents(const ComponentCatalogue& catalogue, int rowCount,
                                const std::function<bool(int)>& isRowChecked,
                                ComponentCatalogue& ceComponents,
                                ComponentCatalogue& palmComponents) {
    for (int row = 0; row < rowCount; ++row) {
        // The list never has more rows than the catalogue; guard it anyway.
        if (static_cast<std::size_t>(row) >= catalogue.Count()) break;
        if (!isRowChecked(row)) continue;
        const ComponentRecord& record = catalogue.At(static_cast<std::size_t>(row));
        (IsCeComponent(record.FullPath) ? ceComponents : palmComponents).Append(record);
    }
}

bool InstallCheckedComponents(platform::System& system, Handoffs& handoffs,
                              platform::WindowHandle owner, const ComponentCatalogue& catalogue,
                              int rowCount, const std::function<bool(int)>& isRowChecked) {
    ComponentCatalogue ceComponents, palmComponents;
    PartitionCheckedComponents(catalogue, rowCount, isRowChecked, ceComponents, palmComponents);

    bool ok = true;
    if (ceComponents.Count() > 0) ok = handoffs.InstallCe(owner, ceComponents);
    if (ok && palmComponents.Count() > 0) ok = handoffs.InstallPalm(owner, palmComponents);

    if (ok)
        ShowMessage(system, owner, LoadResourceText(system, IDS_SETUP_COMPLETE),
                    platform::kIconInformation);
    else
        ShowMessage(system, owner, LoadResourceText(system, IDS_SETUP_FAILED),
                    platform::kIconWarning);
    return ok;
}
