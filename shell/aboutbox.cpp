#include "shell/aboutbox.h"

#include "platform/pause.h"
#include "ui/definitions.h"

#include <QPixmap>

namespace shell {

namespace {

void realPause()
{
    platform::pauseMilliseconds(AboutBox::FrameMilliseconds);
}

}  // namespace

AboutBox::AboutBox() : ui::Form(ui::aboutDefinition()), m_pause(realPause)
{
    // 384 twips are only 25.6 pixels at 96 dpi, less than the 32-pixel icon. The box grows
    // to the icon's size, keeping its top-left corner, so the icon shows whole; at higher
    // resolutions the box is already large enough and keeps its size.
    ui::PictureBox *icon = picture(ui::names::Pic_ApIcon);
    icon->resize(icon->size().expandedTo(icon->pixmap().deviceIndependentSize().toSize()));

    connect(icon, &ui::PictureBox::clicked, this, &AboutBox::Pic_ApIcon_Click);
    connect(button(ui::names::Cmd_OK), &QPushButton::clicked, this, &AboutBox::Cmd_OK_Click);
}

void AboutBox::setPause(Pause pause)
{
    m_pause = pause ? std::move(pause) : Pause(realPause);
}

void AboutBox::PicMove()
{
    // Nothing in here may process events: a second animation or an unload started from
    // queued input would otherwise run in the middle of this one.
    Q_ASSERT(!m_animating);
    m_animating = true;
    static constexpr int order[] = {0, 1, 2, 3, 4, 3, 2, 1, 0};
    ui::PictureBox *icon = picture(ui::names::Pic_ApIcon);
    for (const int frame : order) {
        icon->setPixmap(picture(ui::names::Picture2, frame)->pixmap());
        // The pause keeps the event loop from painting, so paint (and flush to the screen) now.
        icon->repaint();
        if (m_frameShown)
            m_frameShown(frame);
        m_pause();
    }
    m_animating = false;
}

void AboutBox::Pic_ApIcon_Click()
{
    PicMove();
}

void AboutBox::Cmd_OK_Click()
{
    // Through the shell, which owns the one AboutBox: the next opening loads it afresh.
    unload();
}

}  // namespace shell
