#pragma once
// The script commands of the "程序" menu: new, open and save.
namespace quorvane::ui {

// Empties the editor after asking about unsaved changes.
void NewScript();
// Loads a .txt file chosen in the open dialog into the editor.
void OpenScript();
// Writes the editor's text to a file chosen in the save dialog. true when
// the file was written.
bool SaveScript();

}  // namespace quorvane::ui
