#pragma once
// The program's windows: one instance per window class, created on first use.

#include "draw/tombalform.h"
#include "lists/listforms.h"
#include "shell/aboutbox.h"
#include "shell/mainform.h"
#include "shell/registry.h"

#include <QObject>

namespace shell {

class Shell : public QObject {
    Q_OBJECT
public:
    Shell();
    ~Shell() override;

    // Start-up: load and show the main menu, nothing else.
    void start();

    // Using a slot's get() loads an absent window hidden; show() also makes it visible.
    WindowSlot<tbMainForm> &mainMenu() { return m_mainMenu; }
    WindowSlot<lists::SankaForm> &participantList() { return m_participantList; }
    WindowSlot<lists::KehinForm> &prizeList() { return m_prizeList; }
    WindowSlot<draw::TombalForm> &drawSheet() { return m_drawSheet; }
    WindowSlot<AboutBox> &about() { return m_about; }

    void openParticipantList();
    void openPrizeList();
    void openDrawSheet();
    void openAbout();

    // Ends at once with every window, shown or hidden; nothing is saved.
    void endProgram();

private:
    template <class W>
    std::unique_ptr<W> create(WindowSlot<W> &slot);
    // A list window's rows for the draw sheet; loads the window hidden if it is absent.
    template <class W>
    static draw::RowSource rowsOf(WindowSlot<W> &slot);

public:
    // Unloads a window (its own close buttons and its close box come here).
    template <class W>
    void unload(WindowSlot<W> &slot)
    {
        slot.unload();
        endIfNothingShown();
    }

private:
    // The program ends when its last visible window closes; a list window the draw sheet
    // loaded hidden does not keep it running.
    void endIfNothingShown();

    WindowSlot<tbMainForm> m_mainMenu;
    WindowSlot<lists::SankaForm> m_participantList;
    WindowSlot<lists::KehinForm> m_prizeList;
    WindowSlot<draw::TombalForm> m_drawSheet;
    WindowSlot<AboutBox> m_about;
};

}  // namespace shell
