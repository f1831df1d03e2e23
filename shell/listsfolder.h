#pragma once
// The folder the lists live in: the current one, as everywhere, except where that would be
// the program's own folder of an installed copy.

namespace shell {

// Started in its program folder (from Explorer, or a shortcut without a working folder of
// its own, as the Start menu entry is), an installed copy moves to the user's
// Documents\Lotarin, creating it if missing: the program folder is not the user's to write
// in (Program Files refuses, AppData hides the files). A portable copy, which has no
// uninstaller beside it, and a copy started in any other folder stay where they are. Call
// once, before the first window.
void enterListsFolder();

}  // namespace shell
