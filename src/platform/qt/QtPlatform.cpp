// Message boxes and the busy cursor of the window toolkit. A box belongs to the active window
// unless the message asks for a box of its own (shown even before any window exists).
#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

const char *defaultTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error: return "Error";
    case MessageKind::Warning: return "Warning";
    case MessageKind::Information: return "Information";
    case MessageKind::Confirmation: return "Confirm";
    case MessageKind::Plain: break;
    }
    return "";
}

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    case MessageKind::Plain: break;
    }
    return QMessageBox::NoIcon;
}

// The window a box belongs to: the active one, else any window the technician can see; never
// the one left free.
QWidget *ownerWindow(const QWidget *free)
{
    if (QWidget *active = QApplication::activeWindow(); active && active != free)
        return active;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget != free && widget->isVisible() && widget->isWindow()
            && widget->windowType() != Qt::Popup)
            return widget;
    return nullptr;
}

} // namespace

MessageAnswer QtDialogs::show(const Message &message)
{
    QWidget *owner = message.system ? nullptr : ownerWindow(m_free);
    const QString title = QString::fromLocal8Bit(message.title.empty() ? defaultTitle(message.kind)
                                                                       : message.title.c_str());
    QMessageBox box(iconOf(message.kind), title, QString::fromLocal8Bit(message.text.c_str()),
                    QMessageBox::NoButton, owner);
    if (!message.detail.empty())
        box.setInformativeText(QString::fromLocal8Bit(message.detail.c_str()));
    switch (message.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    if (m_free && owner)
        box.setWindowModality(Qt::WindowModal);
    // A busy cursor must not hide the pointer over a box that waits for the technician.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int chosen = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    // The caller's next step is often a long blocking exchange: take the box off the screen
    // first, or it stays painted there until the exchange is over.
    box.hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    switch (chosen) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: break;
    }
    return MessageAnswer::Ok;
}

void QtCursor::setBusy(bool busy)
{
    // The override cursor stacks; keeping one level at most lets any number of "busy" calls
    // be undone by a single "normal".
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QtDialogs &qtDialogs()
{
    static QtDialogs dialogs;
    return dialogs;
}

void installQtPlatform()
{
    static QtCursor cursor;
    setDialogs(&qtDialogs());
    setCursor(&cursor);
}

} // namespace platform
