#pragma once
// The one program-wide instance of a window class, in one of three states:
// absent (not loaded), hidden (loaded, not visible) or shown.
//
// Any use of an absent window loads it: the factory creates it from its definition and
// its load step runs. A load step may fail (a list file that cannot be read); the window
// then stays absent and the caller gets nullptr, so nothing half-loaded is ever used.

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace shell {

enum class WindowState { Absent, Hidden, Shown };

// W needs: bool Form_Load(), bool isVisible(), void show(), void hide(), and, for non-QObject
// test doubles, to be deletable. QObject windows are deleted later, because unloading
// usually happens inside one of the window's own click handlers.
template <class W>
class WindowSlot {
public:
    using Factory = std::function<std::unique_ptr<W>()>;

    explicit WindowSlot(Factory factory) : m_factory(std::move(factory)) {}
    ~WindowSlot()
    {
        m_window.reset();
        // Windows unloaded just before the event loop stopped were never deleted.
        for (const QPointer<QObject> &dying : m_dying)
            delete dying.data();
    }
    WindowSlot(const WindowSlot &) = delete;
    WindowSlot &operator=(const WindowSlot &) = delete;

    WindowState state() const
    {
        if (!m_window)
            return WindowState::Absent;
        return m_window->isVisible() ? WindowState::Shown : WindowState::Hidden;
    }

    // The loaded window, or nullptr while absent. Never loads.
    W *loaded() const { return m_window.get(); }

    // The window, loaded (and left hidden) if it was absent; nullptr if loading failed.
    W *get()
    {
        if (m_window)
            return m_window.get();
        if (m_loading)  // a load step that reaches its own window sees it under construction
            return m_loading;
        std::unique_ptr<W> fresh = m_factory();
        m_loading = fresh.get();
        const bool ok = fresh->Form_Load();
        m_loading = nullptr;
        if (!ok)
            return nullptr;
        m_window.reset(fresh.release());
        return m_window.get();
    }

    // Loads if needed, then makes the window visible and active. False if it could not load.
    bool show()
    {
        W *w = get();
        if (!w)
            return false;
        w->show();
        if constexpr (std::is_base_of_v<QObject, W>) {
            w->raise();
            w->activateWindow();
        }
        return true;
    }

    // Destroys the window and everything it holds; the next use loads it afresh.
    void unload()
    {
        if (!m_window)
            return;
        W *w = m_window.release();
        if constexpr (std::is_base_of_v<QObject, W>) {
            w->hide();
            w->deleteLater();
            m_dying.erase(
                std::remove_if(m_dying.begin(), m_dying.end(), [](const QPointer<QObject> &p) { return p.isNull(); }),
                m_dying.end());
            m_dying.emplace_back(w);
        } else {
            delete w;
        }
    }

private:
    struct Deleter {
        void operator()(W *w) const { delete w; }
    };
    Factory m_factory;
    std::unique_ptr<W, Deleter> m_window;
    W *m_loading = nullptr;
    std::vector<QPointer<QObject>> m_dying;
};

}  // namespace shell
