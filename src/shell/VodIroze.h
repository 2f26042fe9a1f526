// The version box, reached from the start window's pop-up menu and shown modally.
#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class TBevelPanel;

namespace Ui {
class TAboutBox;
}

class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    void OKButtonClick();

    TBevelPanel *Panel1;
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label4;
    QLabel *Label3;
    QLabel *Version;
    QPushButton *OKButton;

private:
    std::unique_ptr<Ui::TAboutBox> ui;
};

extern TAboutBox *AboutBox;
