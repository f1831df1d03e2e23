#include "shell/shell.h"

#include "shell/mainform.h"

#include <QApplication>
#include <QCoreApplication>

namespace shell {

namespace {
Shell *g_shell = nullptr;
}

Shell::Shell() : m_mainMenu([this] { return create(m_mainMenu); })
{
    Q_ASSERT(!g_shell);
    g_shell = this;
}

Shell::~Shell()
{
    g_shell = nullptr;
}

Shell &Shell::instance()
{
    Q_ASSERT(g_shell);
    return *g_shell;
}

template <class W>
std::unique_ptr<W> Shell::create(WindowSlot<W> &slot)
{
    auto w = std::make_unique<W>(*this);
    w->onUnloadRequest = [this, &slot] { unload(slot); };
    return w;
}

template <class W>
void Shell::unload(WindowSlot<W> &slot)
{
    slot.unload();
    endIfNothingShown();
}

void Shell::endIfNothingShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows)
        if (w->isVisible() && qobject_cast<const ui::Form *>(w))
            return;
    QCoreApplication::exit(0);
}

void Shell::start()
{
    m_mainMenu.show();
}

void Shell::openParticipantList() {}
void Shell::openPrizeList() {}
void Shell::openDrawSheet() {}
void Shell::openAbout() {}

void Shell::endProgram()
{
    // exit() rather than quit(): quit() would first ask every window to close.
    QCoreApplication::exit(0);
}

}  // namespace shell
