#pragma once
// Checks a script before a run: every problem becomes a diagnostic line in
// the log box, and a script with any problem does not run.
#include <optional>
#include <vector>

#include "desktop/desktop.h"
#include "engine/script.h"

namespace quorvane {

// The action list when the script is clean; nothing when diagnostics were
// appended to the log box (followed by the closing message).
std::optional<std::vector<Action>> CheckScript(Desktop& desktop, WindowId logBox, const Text& script);

}  // namespace quorvane
