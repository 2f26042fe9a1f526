// The window toolkit's message boxes and mouse cursor behind the platform interfaces.
#pragma once

#include "platform/Platform.h"

class QWidget;

namespace platform {

class QtDialogs : public Dialogs
{
public:
    MessageAnswer show(const Message &message) override;
    // A window the boxes leave usable (the trainer's, over the in-process printer): a box
    // then blocks only the program window it belongs to, and never belongs to this one.
    void leaveFree(QWidget *window) { m_free = window; }

private:
    QWidget *m_free = nullptr;
};

class QtCursor : public Cursor
{
public:
    void setBusy(bool busy) override;
    bool isBusy() const { return m_busy; }

private:
    bool m_busy = false;
};

// The usual caption of a kind, used when a message brings none.
const char *defaultTitle(MessageKind kind);

// Makes the message boxes and the cursor of the window toolkit the ones in force.
void installQtPlatform();
// The boxes in force after installQtPlatform().
QtDialogs &qtDialogs();

} // namespace platform
