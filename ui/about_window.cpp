#include "ui/about_window.h"

namespace quorvane::ui {

// The window itself is not there yet; the menu item does nothing meanwhile.
void ShowAboutWindow() {}

}  // namespace quorvane::ui
