#pragma once
// The about and help window: the product line, the key-code table and the
// notice. It is opened from "帮助", owned by the main window, and has no
// handler of its own.
#include "ui/window_description.h"

namespace quorvane::ui {

// Control indices in the window's description.
inline constexpr int kAboutProductLine = 0;  // 标签1
inline constexpr int kAboutKeyCodes = 1;     // 编辑框1
inline constexpr int kAboutNotice = 2;       // 标签2

const WindowDescription& AboutWindowDescription();

// Opens the window ("帮助"), or brings the open one forward.
void ShowAboutWindow();

// The DrawText flags each label of the window paints its caption with.
unsigned AboutLabelDrawFlags(int control);

}  // namespace quorvane::ui
