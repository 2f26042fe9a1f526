// The version box and its picture: a small printer drawn at start rather than a stored file.
#include "shell/VodIroze.h"

#include "shell/FormControls.h"
#include "ui_VodIroze.h"

#include <QPainter>
#include <QPixmap>

TAboutBox *AboutBox = nullptr;

namespace {

QPixmap printerPicture()
{
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 60), 2));
    // Paper coming out of the top, then the body with its tray slot and power lamp.
    painter.setBrush(Qt::white);
    painter.drawRect(18, 6, 28, 22);
    painter.setBrush(QColor(90, 96, 120));
    painter.drawRoundedRect(4, 24, 56, 26, 5, 5);
    painter.setBrush(QColor(210, 212, 222));
    painter.drawRect(12, 42, 40, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 200, 60));
    painter.drawEllipse(QPoint(52, 32), 3, 3);
    // Four ink dots: black, cyan, magenta, yellow.
    const QColor inks[] = { Qt::black, Qt::cyan, Qt::magenta, Qt::yellow };
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(inks[i]);
        painter.drawEllipse(QPoint(14 + 10 * i, 57), 4, 4);
    }
    return picture;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    Panel1 = ui->Panel1;
    Image1 = ui->Image1;
    Label1 = ui->Label1;
    Label4 = ui->Label4;
    Label3 = ui->Label3;
    Version = ui->Version;
    OKButton = ui->OKButton;

    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowMinimizeButtonHint);
    setFixedSize(298, 236);
    setModal(true);
    // The window's own face is a Japanese proportional Gothic one; every label sets Arial.
    QFont face;
    face.setFamilies({ "IPAPGothic", "Noto Sans CJK JP", "VL PGothic", "Sans Serif" });
    face.setPixelSize(12);
    setFont(face);
    Image1->setPixmap(printerPicture());

    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::OKButtonClick()
{
    accept();
}
