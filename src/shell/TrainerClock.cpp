// Waits that let the virtual printer window work: the event loop runs in slices until the
// wait is over, with an event filter that keeps every input away from the other windows.
#include "shell/TrainerClock.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWindow>

#include <algorithm>

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close: return true;
    default: return false;
    }
}

// Swallows input for anything outside one window (its dialogs and pop-ups included). The
// program's windows would otherwise get a click of the trainee's in the middle of a handler.
class OnlyWindowInput : public QObject
{
public:
    explicit OnlyWindowInput(QWidget *window) : m_window(window) { }

    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        return isInput(event->type()) && !belongs(receiver);
    }

private:
    bool belongs(QObject *receiver) const
    {
        if (auto *surface = qobject_cast<QWindow *>(receiver)) {
            receiver = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->windowHandle() == surface)
                    receiver = top;
        }
        for (QObject *o = receiver; o; o = o->parent())
            if (o == m_window)
                return true;
        return false;
    }

    QPointer<QWidget> m_window;
};

} // namespace

TrainerClock::TrainerClock(platform::Clock &inner, QWidget &window)
    : m_inner(inner), m_window(&window)
{ }

void TrainerClock::sleep(uint32_t ms)
{
    // A wait inside a wait (the event loop ran something that waits) is a plain one.
    if (m_waiting || !m_window || !m_window->isVisible() || !QCoreApplication::instance()) {
        m_inner.sleep(ms);
        return;
    }
    m_waiting = true;
    OnlyWindowInput filter(m_window);
    QCoreApplication::instance()->installEventFilter(&filter);
    const int64_t until = m_inner.monotonicMs() + ms;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const int64_t left = until - m_inner.monotonicMs();
        if (left <= 0)
            break;
        m_inner.sleep(uint32_t(std::min<int64_t>(left, SliceMs)));
    }
    QCoreApplication::instance()->removeEventFilter(&filter);
    m_waiting = false;
}
