#pragma once
// The program's windows: one instance per window class, created on first use.

#include "shell/registry.h"

#include <QObject>

namespace shell {

class tbMainForm;

class Shell : public QObject {
    Q_OBJECT
public:
    Shell();
    ~Shell() override;

    // The program-wide shell; exists while the program runs.
    static Shell &instance();

    // Start-up: load and show the main menu, nothing else.
    void start();

    WindowSlot<tbMainForm> &mainMenu() { return m_mainMenu; }

    void openParticipantList();
    void openPrizeList();
    void openDrawSheet();
    void openAbout();

    // Ends at once with every window, shown or hidden; nothing is saved.
    void endProgram();

private:
    template <class W>
    std::unique_ptr<W> create(WindowSlot<W> &slot);
    template <class W>
    void unload(WindowSlot<W> &slot);
    // The program ends when its last visible window closes; a list window the draw sheet
    // loaded hidden does not keep it running.
    void endIfNothingShown();

    WindowSlot<tbMainForm> m_mainMenu;
};

}  // namespace shell
