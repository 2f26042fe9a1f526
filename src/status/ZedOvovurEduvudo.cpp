// The printer status decoder on its hidden window. Every message goes to the adjustment
// window's status memo in the memo's current colour; the window itself is never shown.
#include "status/ZedOvovurEduvudo.h"

#include "commands/Models.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "status/InkShape.h"
#include "ui_ZedOvovurEduvudo.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>

TStatusMonitorWindow *StatusMonitorWindow = nullptr;

namespace {

// Order of the "IQ:" levels and of the "WR:" warning codes.
enum Ink { Black = 0, Cyan = 1, Magenta = 2, Yellow = 3 };

QPixmap gaugeScale()
{
    QPixmap picture(5, 50);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(Qt::black);
    painter.drawLine(0, 0, 0, 49);
    for (int y = 0; y < 50; y += 5)
        painter.drawLine(0, y, y % 25 == 0 ? 4 : 2, y);
    painter.drawLine(0, 49, 4, 49);
    return picture;
}

QPixmap warningSymbol(int width, int height, bool out)
{
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    if (out) {
        // A red disc with a white cross: the cartridge is empty.
        painter.setBrush(QColor(220, 0, 0));
        painter.drawEllipse(QRectF(1, 1, width - 2, height - 2));
        painter.setPen(QPen(Qt::white, 3));
        painter.drawLine(QPointF(width * 0.3, height * 0.3), QPointF(width * 0.7, height * 0.7));
        painter.drawLine(QPointF(width * 0.7, height * 0.3), QPointF(width * 0.3, height * 0.7));
    } else {
        // A yellow triangle with an exclamation mark: the cartridge runs low.
        QPainterPath triangle;
        triangle.moveTo(width / 2.0, 1);
        triangle.lineTo(width - 1, height - 1);
        triangle.lineTo(1, height - 1);
        triangle.closeSubpath();
        painter.setBrush(QColor(255, 210, 0));
        painter.drawPath(triangle);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(QPointF(width / 2.0, height * 0.35), QPointF(width / 2.0, height * 0.68));
        painter.drawPoint(QPointF(width / 2.0, height * 0.83));
    }
    return picture;
}

const char *stateMessage(uint16_t status)
{
    switch (status) {
    case psNozzleCheck: return "Nozzle check pattern printing...";
    case psBusy: return "Printer is busy.";
    case psPrinting: return "Printing...";
    case psBeforeFill: return "Before initial fill up.";
    case psMotorOff: return "Motor current off.";
    default: return nullptr;
    }
}

const char *errorMessage(uint16_t error)
{
    switch (error) {
    case esFatal: return "A fatal error has occurred.";
    case esCommunication: return "A communication error has occurred.";
    case esPaperJam: return "Paper is jammed.";
    case esPaperMisload: return "The paper is loaded incorrectly in the Automatic Sheet";
    case esMaintenance: return "A maintenance request error has occured.";
    default: return nullptr;
    }
}

QStringList toList(const std::vector<std::string> &items)
{
    QStringList list;
    for (const std::string &item : items)
        list << QString::fromStdString(item);
    return list;
}

} // namespace

TStatusMonitorWindow::TStatusMonitorWindow(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::TStatusMonitorWindow>())
{
    ui->setupUi(this);
    StatusMonitorMem = ui->StatusMonitorMem;
    StatusMonitorLeftBtn = ui->StatusMonitorLeftBtn;
    StatusMonitorRightBtn = ui->StatusMonitorRightBtn;
    StatusMonitorGrpBox = ui->StatusMonitorGrpBox;
    StatusMonitorSeparationBvl = ui->StatusMonitorSeparationBvl;
    StatusMonitorD4ModeFuncRdoGrp = ui->StatusMonitorD4ModeFuncRdoGrp;
    ExchangeInkCartridgeRdoGrp = ui->ExchangeInkCartridgeRdoGrp;
    EepromParameterRdoGrp = ui->EepromParameterRdoGrp;
    StatusMonitorD4ModeFuncBtn = ui->StatusMonitorD4ModeFuncBtn;
    InkLevelBlack1Lbl = ui->InkLevelBlack1Lbl;
    InkLevelBlack2Lbl = ui->InkLevelBlack2Lbl;
    InkLevelColor1Lbl = ui->InkLevelColor1Lbl;
    InkLevelColor2Lbl = ui->InkLevelColor2Lbl;
    BlackInkLevelGaugeImg = ui->BlackInkLevelGaugeImg;
    ColorInkLevelGaugeImg = ui->ColorInkLevelGaugeImg;
    InkSehllBlackShp = ui->InkSehllBlackShp;
    InkShellCyanShp = ui->InkShellCyanShp;
    InkShellMagentaShp = ui->InkShellMagentaShp;
    InkShellYellowShp = ui->InkShellYellowShp;
    InkLevelBlackShp = ui->InkLevelBlackShp;
    InkLevelCyanShp = ui->InkLevelCyanShp;
    InkLevelMagentaShp = ui->InkLevelMagentaShp;
    InkLevelYellowShp = ui->InkLevelYellowShp;
    InkOutWarningBlackImg = ui->InkOutWarningBlackImg;
    InkOutWarningColorImg = ui->InkOutWarningColorImg;
    InkLowWarningBlackImg = ui->InkLowWarningBlackImg;
    InkLowWarningColorImg = ui->InkLowWarningColorImg;

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(577, 189);
    drawPictures();
    ResetMonitor(0);
}

TStatusMonitorWindow::~TStatusMonitorWindow() = default;

void TStatusMonitorWindow::drawPictures()
{
    BlackInkLevelGaugeImg->setPixmap(gaugeScale());
    ColorInkLevelGaugeImg->setPixmap(gaugeScale());
    InkOutWarningBlackImg->setPixmap(warningSymbol(30, 30, true));
    InkOutWarningColorImg->setPixmap(warningSymbol(30, 30, true));
    InkLowWarningBlackImg->setPixmap(warningSymbol(31, 30, false));
    InkLowWarningColorImg->setPixmap(warningSymbol(31, 30, false));
}

void TStatusMonitorWindow::setMemo(const char *text)
{
    if (FormAdjust)
        FormAdjust->StatusMemo->setPlainText(QString::fromLatin1(text));
}

void TStatusMonitorWindow::addLine(const char *text)
{
    if (FormAdjust)
        FormAdjust->AddMemoLine(QString::fromLatin1(text));
}

void TStatusMonitorWindow::ResetMonitor(int kind)
{
    if (FormAdjust)
        FormAdjust->StatusMemo->clear();
    for (TInkShape *gauge :
         { InkLevelBlackShp, InkLevelYellowShp, InkLevelMagentaShp, InkLevelCyanShp })
        gauge->setShapeHeight(0);
    for (QLabel *picture : { InkOutWarningBlackImg, InkOutWarningColorImg, InkLowWarningBlackImg,
                             InkLowWarningColorImg })
        picture->hide();
    StatusMonitorD4ModeFuncRdoGrp->show();
    StatusMonitorD4ModeFuncRdoGrp->setEnabled(kind != 2);
    for (TRadioGroup *group : { ExchangeInkCartridgeRdoGrp, EepromParameterRdoGrp }) {
        group->hide();
        group->setEnabled(true);
    }
    for (TRadioGroup *group :
         { StatusMonitorD4ModeFuncRdoGrp, ExchangeInkCartridgeRdoGrp, EepromParameterRdoGrp })
        group->setItemIndex(-1);
}

void TStatusMonitorWindow::RequestStatus()
{
    ResetMonitor(0);
    platform::cursor().setBusy(true);
    D4Link.GetPrinterStatus();
    StatusCode = PrinterStatus;
    ErrorCode = ErrorStatus;
    DecodeStatus();
    platform::cursor().setBusy(false);
}

void TStatusMonitorWindow::DecodeStatus()
{
    // Any reported error makes the state an error state, whatever the state digit said.
    if (ErrorStatus != esNone)
        StatusCode = psError;

    switch (StatusCode) {
    case psError:
        ShowErrorMessage();
        FormAdjust->MentRdoGrp->setEnabled(false);
        FormAdjust->A4patRdoBtn->setEnabled(false);
        FormAdjust->SetTabSheet1Caption(QString());
        FormAdjust->AdjustRdoGrp->setTitle(QString());
        FormAdjust->SetAdjustmentItems(toList(models::recoveryItems()));
        FormAdjust->PrinterErrorMode = true;
        break;
    case psReady: {
        addLine("Ready to print.");
        FormAdjust->MentRdoGrp->setEnabled(true);
        FormAdjust->A4patRdoBtn->setEnabled(true);
        FormAdjust->SetTabSheet1Caption("Adjustment");
        FormAdjust->AdjustRdoGrp->setTitle("Adjustment items");
        FormAdjust->AdjustRdoGrp->clearItems();
        const uint16_t code = FormAdjust->ModelCode();
        const models::Model *model = models::find(code);
        if (model)
            FormAdjust->IndividualModelNameLbl->setText(model->displayName);
        FormAdjust->SetAdjustmentItems(toList(models::adjustmentItems(code)));
        FormAdjust->SetUsbIdRowVisible(models::isUsbCapable(code));
        FormAdjust->PrinterErrorMode = false;
        break;
    }
    case psCleaning:
        setMemo("The printer is busy cleaning the print head or charging ink.");
        addLine("Please wait...");
        break;
    default:
        if (const char *message = stateMessage(StatusCode))
            setMemo(message);
        break;
    }

    for (int32_t flag : WarningFlags) {
        if (flag == 1) {
            ShowInkMessage();
            break;
        }
    }
}

void TStatusMonitorWindow::ShowErrorMessage()
{
    if (ErrorCode == esInkOut) {
        ShowInkMessage();
        return;
    }
    const char *message = errorMessage(ErrorCode);
    if (!message)
        return;
    ResetMonitor(2);
    setMemo(message);
}

// The reply says which inks are low ("WR:") and how much is left ("IQ:"), but not which
// cartridge an ink-out error means. The levels and warnings run black, cyan, magenta, yellow;
// an ink-out error with no empty level blames both cartridges.
void TStatusMonitorWindow::DeriveInkStates()
{
    const bool inkOut = ErrorStatus == esInkOut;
    const bool blackEmpty = InkLevels[Black] == 0;
    const bool colourEmpty
            = InkLevels[Cyan] == 0 || InkLevels[Magenta] == 0 || InkLevels[Yellow] == 0;
    CyanLow = WarningFlags[Cyan] == 1;
    MagentaLow = WarningFlags[Magenta] == 1;
    YellowLow = WarningFlags[Yellow] == 1;

    if (inkOut && !blackEmpty && !colourEmpty) {
        BlackInkState = 2;
        ColorInkState = 2;
        return;
    }
    BlackInkState = inkOut && blackEmpty ? 2 : WarningFlags[Black] == 1 ? 1 : 0;
    ColorInkState = inkOut && colourEmpty ? 2 : CyanLow || MagentaLow || YellowLow ? 1 : 0;
}

void TStatusMonitorWindow::ShowInkMessage()
{
    DeriveInkStates();
    if (BlackInkState != 0 || ColorInkState != 0)
        ResetMonitor(2);

    const auto emptyColour = [this] {
        for (TInkShape *gauge : { InkLevelCyanShp, InkLevelMagentaShp, InkLevelYellowShp })
            gauge->setShapeHeight(0);
    };

    if (BlackInkState == 2 && ColorInkState == 2) {
        InkLevelBlackShp->setShapeHeight(0);
        emptyColour();
        InkOutWarningBlackImg->show();
        InkOutWarningColorImg->show();
        addLine("The black and color inks are out.");
        addLine("Black : N226");
        addLine("Color : N227");
        addLine("Replace the black and color ink cartridges.");
        return;
    }
    // Black and colour each report on their own, so that a printer low on black and on a
    // colour at once tells both instead of leaving the memo empty.
    if (BlackInkState == 2) {
        InkLevelBlackShp->setShapeHeight(0);
        InkOutWarningBlackImg->show();
        addLine("Black ink is out.");
        addLine("Black : N226");
        addLine("Replace the black ink cartridge.");
    } else if (BlackInkState == 1) {
        InkLevelBlackShp->setShapeHeight(0);
        InkLowWarningBlackImg->show();
        addLine("Black ink is low.");
        addLine("Black : N226");
    }
    if (ColorInkState == 2) {
        emptyColour();
        InkOutWarningColorImg->show();
        addLine("Color ink is out.");
        addLine("Color : N227");
        addLine("Replace the color ink cartridge.");
    } else if (ColorInkState == 1) {
        emptyColour();
        InkLowWarningColorImg->show();
        addLine("Color ink is low.");
        if (YellowLow == 1)
            addLine("Yellow ink is low");
        if (MagentaLow == 1)
            addLine("Magenta ink is low");
        if (CyanLow == 1)
            addLine("Cyan ink is low");
        addLine("Color : N227");
    }
}
