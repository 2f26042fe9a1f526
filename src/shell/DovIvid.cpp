// The continue/quit dialog: "Next" goes back to the start window for a new model and port,
// "Quit" closes the start window and so ends the program.
#include "shell/DovIvid.h"

#include "shell/VorAvov.h"
#include "ui_DovIvid.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShowEvent>

TFormQuit *FormQuit = nullptr;

TFormQuit::TFormQuit(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormQuit>())
{
    ui->setupUi(this);
    Label1 = ui->Label1;
    NextBtn = ui->NextBtn;
    QuitBtn = ui->QuitBtn;
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowMinMaxButtonsHint);
    setFixedSize(236, 108);
    connect(NextBtn, &QPushButton::clicked, this, &TFormQuit::NextBtnClick);
    connect(QuitBtn, &QPushButton::clicked, this, &TFormQuit::QuitBtnClick);
}

TFormQuit::~TFormQuit() = default;

void TFormQuit::NextBtnClick()
{
    // Hiding rather than closing: with every window hidden for a moment, a close would count
    // as the last window closing.
    hide();
    if (FormBoot)
        FormBoot->show();
}

void TFormQuit::QuitBtnClick()
{
    hide();
    if (FormBoot)
        FormBoot->close();
}

void TFormQuit::reject()
{
    QuitBtnClick();
}

void TFormQuit::closeEvent(QCloseEvent *event)
{
    // Without a close box only the window system itself can ask; the two buttons decide.
    event->ignore();
}

void TFormQuit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The technician answers it at once, often with Enter: it takes the keyboard, with the
    // focus on "Next". Without a window manager nobody else would hand it over, and the key
    // would go to whatever window the pointer is over.
    NextBtn->setFocus(Qt::ActiveWindowFocusReason);
    raise();
    activateWindow();
}

void TFormQuit::keyPressEvent(QKeyEvent *event)
{
    // Enter is "Next" unless the technician has moved the focus to "Quit".
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        (focusWidget() == QuitBtn ? QuitBtn : NextBtn)->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
