// SPDX-License-Identifier: MIT
// The "Sync automatically" page: how often the band is synced without a tap.
#pragma once

#include <string>
#include <vector>

namespace vantro {

class AutoSync;
class VantroAppDelegate;

/// A list of intervals with one chosen, stored under "autoSyncHours" as soon as it is picked.
class AutoSyncPage {
public:
    /// The intervals offered, in hours; 0 is off.
    static const std::vector<int>& intervals();

    AutoSyncPage(VantroAppDelegate& app, AutoSync& autoSync) : m_app(app), m_autoSync(autoSync) {}

    std::string title() const;
    /// "Off", "Every 1 h", ...
    std::vector<std::string> choices() const;
    /// The index of the stored interval (the default's for a value not offered).
    int selected() const;
    /// Stores the interval of `index` and plans the next sync by it; an index out of range changes nothing.
    void select(int index);
    /// The chosen interval's text, for the settings row.
    std::string summary() const;
    std::string hint() const;
    /// "Synced 10 min ago".
    std::string lastSync() const;

private:
    VantroAppDelegate& m_app;
    AutoSync& m_autoSync;
};

}  // namespace vantro
