#pragma once
// The program's name, version and icon as the desktop sees them.

namespace shell {

// Sets the application object's name, version, maker and desktop id. Call once, right
// after the application object exists.
void applyIdentity();

// The icon every window shows unless its definition names another. Decoding it takes
// longer than anything else the first window needs, so the program sets it once that
// window is up; windows already shown take it then.
void applyWindowIcon();

// The interface is Japanese whatever the system's language: Qt's own dialogs and buttons
// (the file dialog that saves a PDF) use Qt's Japanese translation where it is installed.
void installJapaneseTranslation();

}  // namespace shell
