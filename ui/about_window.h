#pragma once
// The about and help window.
namespace quorvane::ui {

// Opens the about and help window ("帮助").
void ShowAboutWindow();

}  // namespace quorvane::ui
