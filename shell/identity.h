#pragma once
// The program's name, version and icon as the desktop sees them.

namespace shell {

// Sets the application object's name, version, maker and desktop id, and the window icon
// that every window shows. Call once, right after the application object exists.
void applyIdentity();

// The interface is Japanese whatever the system's language: Qt's own dialogs and buttons
// (the file dialog that saves a PDF) use Qt's Japanese translation where it is installed.
void installJapaneseTranslation();

}  // namespace shell
