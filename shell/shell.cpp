#include "shell/shell.h"

#include "draw/tombalform.h"
#include "lists/listforms.h"
#include "shell/aboutbox.h"
#include "shell/mainform.h"

#include <QApplication>
#include <QCoreApplication>

namespace shell {

Shell::Shell()
    : m_mainMenu([this] { return create(m_mainMenu); }),
      m_participantList([this] { return create(m_participantList); }),
      m_prizeList([this] { return create(m_prizeList); }), m_drawSheet([this] { return create(m_drawSheet); }),
      m_about([this] { return create(m_about); })
{}

// Members go in reverse order: the draw sheet before the list windows it reads.
Shell::~Shell() = default;

template <class W>
draw::RowSource Shell::rowsOf(WindowSlot<W> &slot)
{
    return [&slot]() -> std::optional<lists::EntryList> {
        const W *window = slot.get();
        return window ? std::optional(window->rows()) : std::nullopt;
    };
}

template <class W>
std::unique_ptr<W> Shell::create(WindowSlot<W> &slot)
{
    std::unique_ptr<W> w;
    if constexpr (std::is_same_v<W, tbMainForm>)
        w = std::make_unique<W>(*this);
    else if constexpr (std::is_same_v<W, draw::TombalForm>)
        w = std::make_unique<W>(rowsOf(m_participantList), rowsOf(m_prizeList));
    else
        w = std::make_unique<W>();
    w->onUnloadRequest = [this, &slot] { unload(slot); };
    return w;
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

// A window that fails to load has already told the user why; it simply does not open.
void Shell::openParticipantList()
{
    m_participantList.show();
}
void Shell::openPrizeList()
{
    m_prizeList.show();
}
void Shell::openDrawSheet()
{
    m_drawSheet.show();
}
void Shell::openAbout()
{
    m_about.show();
}

void Shell::endProgram()
{
    // exit() rather than quit(): quit() would first ask every window to close.
    QCoreApplication::exit(0);
}

}  // namespace shell
