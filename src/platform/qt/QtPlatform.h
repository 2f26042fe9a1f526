// The window toolkit's message boxes and mouse cursor behind the platform interfaces.
#pragma once

#include "platform/Platform.h"

class QWidget;

namespace platform {

class QtDialogs : public Dialogs
{
public:
    MessageAnswer show(const Message &message) override;
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

} // namespace platform
