// The "Do you continue?" dialog that follows every close of the adjustment window.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFormQuit;
}

class TFormQuit : public QDialog
{
    Q_OBJECT

public:
    explicit TFormQuit(QWidget *parent = nullptr);
    ~TFormQuit() override;

    void NextBtnClick();
    void QuitBtnClick();

    class QLabel *Label1;
    class QPushButton *NextBtn;
    class QPushButton *QuitBtn;

protected:
    // Escape is "Quit"; the dialog has no close box and no other way out.
    void reject() override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::TFormQuit> ui;
};

extern TFormQuit *FormQuit;
