#pragma once
// The About window: the program's name, version and credits, and an icon that turns
// edge-on and back when clicked.

#include "ui/form.h"

#include <functional>

namespace shell {

class AboutBox : public ui::Form {
    Q_OBJECT
public:
    AboutBox();

    // How long each animation frame stays on screen.
    static constexpr int FrameMilliseconds = 200;

    // Plays the icon animation: frames 0, 1, 2, 3, 4, 3, 2, 1, 0, each painted at once and then
    // held by a blocking pause. It keeps the user-interface thread for the whole 1.8 s and
    // processes no events, so input arriving meanwhile is handled afterwards, in order.
    void PicMove();

    // Seams for tests. The observer runs each time a frame has been painted, before its pause;
    // the pause defaults to the real blocking wait of FrameMilliseconds.
    using FrameObserver = std::function<void(int frame)>;
    using Pause = std::function<void()>;
    void setFrameObserver(FrameObserver observer) { m_frameShown = std::move(observer); }
    void setPause(Pause pause);

private:
    void Pic_ApIcon_Click();
    void Cmd_OK_Click();

    FrameObserver m_frameShown;
    Pause m_pause;
    bool m_animating = false;
};

}  // namespace shell
