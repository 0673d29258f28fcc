// Installing the checked components: split by kind, hand off, report.
#pragma once

#include <functional>
#include <string>

#include "catalogue/ComponentCatalogue.h"
#include "platform/Platform.h"

// Whether the record goes to the CE Application Manager (ToolForPath in
// catalogue/ComponentKinds.h): a path ending in ".ini" in any case, longer
// than 4 bytes.
bool IsCeComponent(const std::string& fullPath);

// The two hand-offs, replaceable in tests.
class Handoffs {
public:
    virtual ~Handoffs() = default;
    virtual bool InstallCe(platform::WindowHandle owner, const ComponentCatalogue& components) = 0;
    virtual bool InstallPalm(platform::WindowHandle owner, const ComponentCatalogue& components) = 0;
};

// The real hand-offs over the platform.
class SystemHandoffs final : public Handoffs {
public:
    explicit SystemHandoffs(platform::System& system) : system_(system) {}
    bool InstallCe(platform::WindowHandle owner, const ComponentCatalogue& components) override;
    bool InstallPalm(platform::WindowHandle owner, const ComponentCatalogue& components) override;

private:
    platform::System& system_;
};

// Copies the checked rows' records into the CE and Palm lists, row order kept.
void PartitionCheckedComponents(const ComponentCatalogue& catalogue, int rowCount,
                                const std::function<bool(int)>& isRowChecked,
                                ComponentCatalogue& ceComponents,
                                ComponentCatalogue& palmComponents);

// Hands off (CE first, Palm only when CE succeeded or had nothing to do) and
// shows the final message owned by owner. Gives the outcome.
bool InstallCheckedComponents(platform::System& system, Handoffs& handoffs,
                              platform::WindowHandle owner, const ComponentCatalogue& catalogue,
                              int rowCount, const std::function<bool(int)>& isRowChecked);
