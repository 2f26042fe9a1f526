// The window toolkit's message boxes and busy cursor behind the platform interfaces.
#include "platform/qt/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenBox
{
    QString title;
    QString text;
    QString detail;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool owned = false;
};

// Runs `show`, which puts up a message box, and hands the box to `act` once it is up. The wait
// has its own limit: a box that never comes, or one that `act` leaves open, fails the test
// after 5 s instead of holding it for ever, and any box still up then is closed.
void whileBoxIsUp(const std::function<void()> &show, const std::function<void(QMessageBox *)> &act)
{
    bool seen = false;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && !seen) {
            seen = true;
            act(box);
        }
        if (waited.elapsed() < 5000)
            return;
        poll.stop();
        ADD_FAILURE() << (seen ? "the box stayed up" : "no message box came up within 5 s");
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *open = qobject_cast<QMessageBox *>(widget); open && open->isVisible())
                open->done(0);
    });
    poll.start();
    show();
    EXPECT_TRUE(seen) << "no message box came up";
}

// Shows a message through the real dialogs, looks at the box while it is up and presses
// `press` on it.
platform::MessageAnswer showAndPress(const platform::Message &message,
                                     QMessageBox::StandardButton press, SeenBox &seen)
{
    platform::MessageAnswer answer{};
    whileBoxIsUp([&] { answer = platform::QtDialogs().show(message); },
                 [&](QMessageBox *box) {
                     seen.title = box->windowTitle();
                     seen.text = box->text();
                     seen.detail = box->informativeText();
                     seen.icon = box->icon();
                     seen.buttons = box->standardButtons();
                     seen.owned = box->parentWidget() != nullptr;
                     if (QAbstractButton *button = box->button(press))
                         button->click();
                 });
    return answer;
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
    message.detail = "/dev/lp0 belongs to the group lp";
    showAndPress(message, QMessageBox::Ok, seen);
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(seen.title, "error");
    EXPECT_EQ(seen.detail, "/dev/lp0 belongs to the group lp");

    message.system = false;
    showAndPress(message, QMessageBox::Ok, seen);
    EXPECT_TRUE(seen.owned);
}

// The trainer's window stays usable while the program asks something: a box belongs to the
// program's window even when the trainer's is the active one, and blocks only its owner.
TEST(QtDialogs, BoxLeavesTheWindowLeftFreeUsable)
{
    QWidget program;
    program.show();
    QWidget trainer;
    trainer.show();
    QApplication::setActiveWindow(&trainer);
    platform::QtDialogs dialogs;
    dialogs.leaveFree(&trainer);
    platform::Message message;
    message.kind = platform::MessageKind::Information;
    message.text = "After replacing MAIN Board and turn on power. click the OK button.";
    message.buttons = platform::MessageButtons::OkCancel;
    const QWidget *owner = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    whileBoxIsUp([&] { dialogs.show(message); },
                 [&](QMessageBox *box) {
                     owner = box->parentWidget();
                     modality = box->windowModality();
                     box->button(QMessageBox::Ok)->click();
                 });
    EXPECT_EQ(owner, &program);
    EXPECT_EQ(modality, Qt::WindowModal);

    // Without a window left free every box blocks the whole program, as it always did.
    platform::QtDialogs plain;
    whileBoxIsUp([&] { plain.show(message); },
                 [&](QMessageBox *box) {
                     modality = box->windowModality();
                     box->button(QMessageBox::Ok)->click();
                 });
    EXPECT_EQ(modality, Qt::ApplicationModal);
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
    platform::Message message;
    message.text = "Please wait about 10 seconds.";
    whileBoxIsUp([&] { platform::QtDialogs().show(message); },
                 [&](QMessageBox *box) {
                     if (const QCursor *shown = QApplication::overrideCursor())
                         during = shown->shape();
                     if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                         ok->click();
                 });
    EXPECT_EQ(during, Qt::ArrowCursor);
    const QCursor *after = QApplication::overrideCursor();
    EXPECT_TRUE(after && after->shape() == Qt::WaitCursor) << "busy again after the box";
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
