// The window toolkit's message boxes and busy cursor behind the platform interfaces.
#include "platform/qt/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool owned = false;
};

// Shows a message through the real dialogs, looks at the box while it is up and presses
// `press` on it.
platform::MessageAnswer showAndPress(const platform::Message &message,
                                     QMessageBox::StandardButton press, SeenBox &seen)
{
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.owned = box->parentWidget() != nullptr;
        box->button(press)->click();
    });
    platform::QtDialogs dialogs;
    return dialogs.show(message);
}

TEST(QtDialogs, EachKindHasItsIconAndUsualCaption)
{
    const struct
    {
        platform::MessageKind kind;
        QMessageBox::Icon icon;
        const char *title;
    } kinds[] = {
        { platform::MessageKind::Error, QMessageBox::Critical, "Error" },
        { platform::MessageKind::Warning, QMessageBox::Warning, "Warning" },
        { platform::MessageKind::Information, QMessageBox::Information, "Information" },
        { platform::MessageKind::Confirmation, QMessageBox::Question, "Confirm" },
        { platform::MessageKind::Plain, QMessageBox::NoIcon, "" },
    };
    for (const auto &kind : kinds) {
        SeenBox seen;
        platform::Message message;
        message.kind = kind.kind;
        message.text = "Receive error";
        EXPECT_EQ(showAndPress(message, QMessageBox::Ok, seen), platform::MessageAnswer::Ok);
        EXPECT_EQ(seen.icon, kind.icon);
        EXPECT_EQ(seen.title, kind.title);
        EXPECT_EQ(seen.text, "Receive error");
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    }
}

TEST(QtDialogs, GivenTitleAndButtonsAndTheAnswerChosen)
{
    SeenBox seen;
    platform::Message message;
    message.kind = platform::MessageKind::Confirmation;
    message.text = "Did you replace the waste ink pad?";
    message.title = "Check";
    message.buttons = platform::MessageButtons::YesNo;
    EXPECT_EQ(showAndPress(message, QMessageBox::No, seen), platform::MessageAnswer::No);
    EXPECT_EQ(seen.title, "Check");
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(showAndPress(message, QMessageBox::Yes, seen), platform::MessageAnswer::Yes);

    message.buttons = platform::MessageButtons::OkCancel;
    EXPECT_EQ(showAndPress(message, QMessageBox::Cancel, seen), platform::MessageAnswer::Cancel);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
}

TEST(QtDialogs, SystemBoxHasNoOwnerEvenWithAWindowUp)
{
    QWidget window;
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    SeenBox seen;
    platform::Message message;
    message.kind = platform::MessageKind::Plain;
    message.text = "Cannot open port.";
    message.title = "error";
    message.system = true;
    showAndPress(message, QMessageBox::Ok, seen);
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(seen.title, "error");

    message.system = false;
    showAndPress(message, QMessageBox::Ok, seen);
    EXPECT_TRUE(seen.owned);
}

TEST(QtCursor, BusyIsOneOverrideUndoneByOneNormal)
{
    platform::QtCursor cursor;
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    cursor.setBusy(true);
    cursor.setBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    cursor.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    cursor.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtCursor, BoxShownWhileBusyHasTheNormalPointer)
{
    platform::QtCursor cursor;
    cursor.setBusy(true);
    Qt::CursorShape during = Qt::WaitCursor;
    QTimer::singleShot(0, [&] {
        during = QApplication::overrideCursor()->shape();
        qobject_cast<QMessageBox *>(QApplication::activeModalWidget())
                ->button(QMessageBox::Ok)
                ->click();
    });
    platform::QtDialogs dialogs;
    platform::Message message;
    message.text = "Please wait about 10 seconds.";
    dialogs.show(message);
    EXPECT_EQ(during, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    cursor.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtPlatform, InstallMakesTheToolkitServicesTheOnesInForce)
{
    platform::installQtPlatform();
    EXPECT_NE(dynamic_cast<platform::QtDialogs *>(&platform::dialogs()), nullptr);
    EXPECT_NE(dynamic_cast<platform::QtCursor *>(&platform::cursor()), nullptr);
    platform::restoreDefaults();
    EXPECT_EQ(dynamic_cast<platform::QtDialogs *>(&platform::dialogs()), nullptr);
}

} // namespace
