// The adjustment window: item routing, the status memo, the information panel and the close
// sequence that ends the printer link. The panel handlers live in src/workflows.
#include "shell/RidAzidoz.h"

#include "ui_RidAzidoz.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "shell/FormControls.h"

#include "commands/Models.h"
#include "shell/DovIvid.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>

TFormAdjust *FormAdjust = nullptr;

namespace {

const QColor MemoBlack(0, 0, 0);
const QColor MemoBlue(0, 0, 255);
const QColor MemoRed(255, 0, 0);

// The dialogue panels in layout order; CanvasPnl is the blank work area.
const char *const Panels[] = {
    "CanvasPnl",     "DefaultSetPnl", "HdVolPnl",         "HdVolCheckPnl",   "HdVolWrtPnl",
    "BidPnl",        "BidPrnPnl",     "BidWrtSelPnl",     "BidWrtPnl",       "BidCheckPnl",
    "UsbIdPnl",      "UsbIdInputPnl", "TopMarginMainPnl", "TopMarginPnl",    "CleaningPnl",
    "ChargePnl",     "CounterPnl",    "CounterCheckPnl",  "CounterClearPnl", "EepromCheckPnl",
    "EepromReadPnl", "EepromGridPnl", "EepromWritePnl",   "EepromBackupPnl", "TraStep0Pnl",
    "NotePnl",       "TraStep1Pnl",   "TraStep2Pnl",      "TransPnl",        "TraStep3Pnl",
    "TraStep4Pnl",   "A4CheckPrnPnl",
};

// Counts a handler as running for as long as it runs, however it ends.
class RunningScope
{
public:
    explicit RunningScope(int &running) : m_running(running) { ++m_running; }
    ~RunningScope() { --m_running; }
    RunningScope(const RunningScope &) = delete;
    RunningScope &operator=(const RunningScope &) = delete;

private:
    int &m_running;
};

// Letters turn into capitals as they are typed.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

TFormAdjust::TFormAdjust(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TFormAdjust>())
{
    // The panels' pictures live in a resource of this static library.
    Q_INIT_RESOURCE(pictures);
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(815, 405);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    AdjustmentTab = ui->AdjustmentTab;
    TabSheet1 = ui->TabSheet1;
    TabSheet2 = ui->TabSheet2;
    Tabsheet3 = ui->Tabsheet3;
    AdjustRdoGrp = ui->AdjustRdoGrp;
    MentRdoGrp = ui->MentRdoGrp;
    A4patRdoBtn = ui->A4patRdoBtn;
    StatusMemo = ui->StatusMemo;
    IndividualModelNameLbl = ui->IndividualModelNameLbl;
    USBIDGaideLabel = ui->USBIDGaideLabel;
    USBIDGaidePanel = ui->USBIDGaidePanel;
    ShowPrnUsbIDLbl = ui->ShowPrnUsbIDLbl;
    AdjustRtnBtn = ui->AdjustRtnBtn;
    GetStatusBtn = ui->GetStatusBtn;
    CanvasPnl = ui->CanvasPnl;
    UsbID.ShowUsbIdLabel = [this](const std::string &text) {
        ShowPrnUsbIDLbl->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
    };

    applyDeclaredLooks();
    fillGridHeaders();

    AdjustmentTab->tabBar()->setFocusPolicy(Qt::NoFocus);
    AdjustmentTab->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    StatusMemo->setBackgroundVisible(false);
    QPalette memoPalette = StatusMemo->palette();
    memoPalette.setColor(QPalette::Base, QColor(204, 236, 255));
    StatusMemo->setPalette(memoPalette);
    setMemoColour(MemoBlack);
    ui->UpDown1->setAssociate(ui->BidWrtEdit);
    ui->TopMarginUpDown->setAssociate(ui->TopMarginEdit);
    ui->No7LabelName->hide();
    // The start window shows the USB ID row only for a USB-capable model.
    SetUsbIdRowVisible(false);

    for (const char *name : Panels)
        panel(name)->setVisible(name == std::string_view("CanvasPnl"));

    DisableTimer = new QTimer(this);
    DisableTimer->setObjectName(QStringLiteral("DisableTimer"));
    DisableTimer->setInterval(1000);
    DisableTimer->setSingleShot(true);
    connectHandlers();
    DisableTimer->start();
}

TFormAdjust::~TFormAdjust()
{
    UsbID.ShowUsbIdLabel = nullptr;
    if (FormAdjust == this)
        FormAdjust = nullptr;
}

void TFormAdjust::applyDeclaredLooks()
{
    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(11);
    setFont(base);
    // The layout file declares pixel heights, text colours, cancel buttons and capital-letter
    // edit boxes as properties; they are put into effect here.
    for (QWidget *widget : findChildren<QWidget *>()) {
        const QVariant pixelSize = widget->property("pixelSize");
        if (pixelSize.isValid()) {
            QFont font = widget->font();
            font.setPixelSize(pixelSize.toInt());
            widget->setFont(font);
        }
        const QVariant colour = widget->property("textColor");
        if (colour.isValid()) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, QColor(colour.toString()));
            palette.setColor(QPalette::Text, QColor(colour.toString()));
            widget->setPalette(palette);
        }
        if (auto *edit = qobject_cast<QLineEdit *>(widget);
            edit && edit->property("upperCase").toBool())
            edit->setValidator(new UpperCaseValidator(edit));
    }
}

void TFormAdjust::fillGridHeaders()
{
    QTableWidget *grid = ui->EepromStrGrid;
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QString digits = QStringLiteral("0123456789ABCDEF");
    for (int row = 0; row < 17; ++row) {
        for (int column = 0; column < 17; ++column) {
            auto *cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            if (row == 0 || column == 0) {
                cell->setBackground(QColor(212, 208, 200));
                cell->setFlags(Qt::ItemIsEnabled);
            }
            if (row == 0 && column > 0)
                cell->setText(digits.mid(column - 1, 1));
            else if (column == 0 && row > 0)
                cell->setText(digits.mid(row - 1, 1));
            grid->setItem(row, column, cell);
        }
    }
}

void TFormAdjust::connectHandlers()
{
    // Every handler but "Quit" counts as running while it works, so that a close request
    // that arrives while it repaints or asks a question is refused.
    // A handler that `talks` to the printer first starts the link again if an earlier
    // exchange found it lost.
    const auto running = [this](void (TFormAdjust::*handler)(), bool talks = false) {
        return [this, handler, talks] {
            const RunningScope scope(m_running);
            if (!talks || restartLinkIfLost())
                (this->*handler)();
        };
    };
    connect(AdjustRdoGrp, &TRadioGroup::itemClicked, this,
            running(&TFormAdjust::AdjustRdoGrpClick));
    connect(MentRdoGrp, &TRadioGroup::itemClicked, this, running(&TFormAdjust::MentRdoGrpClick));
    connect(A4patRdoBtn, &QRadioButton::clicked, this,
            [this, a4 = running(&TFormAdjust::A4patRdoBtnClick)](bool checked) {
                // A click on the checked button leaves it checked and does nothing.
                if (!checked) {
                    A4patRdoBtn->setChecked(true);
                    return;
                }
                a4();
            });
    connect(AdjustmentTab, &QTabWidget::currentChanged, this,
            running(&TFormAdjust::AdjustmentTabChange));
    connect(AdjustRtnBtn, &QPushButton::clicked, this, &TFormAdjust::AdjustRtnBtnClick);
    connect(GetStatusBtn, &QPushButton::clicked, this, running(&TFormAdjust::GetStatusBtnClick));
    connect(DisableTimer, &QTimer::timeout, this, &TFormAdjust::DisableTimerTimer);

    // `talks`: the handler may ask the printer something (the other ones only move between
    // panels).
    const struct
    {
        QPushButton *button;
        void (TFormAdjust::*handler)();
        bool talks;
    } bindings[] = {
        { ui->DefaultSetBtn, &TFormAdjust::DefaultSetBtnClick, true },
        { ui->HdVolOKBtn, &TFormAdjust::HdVolOKBtnClick, false },
        { ui->HdVolCheckOKBtn, &TFormAdjust::HdVolCheckOKBtnClick, true },
        { ui->HdVolCheckRtnBtn, &TFormAdjust::HdVolCheckRtnBtnClick, false },
        { ui->HdVolWrtOKBtn, &TFormAdjust::HdVolWrtOKBtnClick, true },
        { ui->HdVolWrtRtnBtn, &TFormAdjust::HdVolWrtRtnBtnClick, false },
        { ui->BidOKBtn, &TFormAdjust::BidOKBtnClick, false },
        { ui->BidPrnOKBtn, &TFormAdjust::BidPrnOKBtnClick, true },
        { ui->BidPrnRtnBtn, &TFormAdjust::BidPrnRtnBtnClick, false },
        { ui->BidWrtSelOKBtn, &TFormAdjust::BidWrtSelOKBtnClick, false },
        { ui->BidWrtSelRtnBtn, &TFormAdjust::BidWrtSelRtnBtnClick, false },
        { ui->BidWrtOKBtn, &TFormAdjust::BidWrtOKBtnClick, true },
        { ui->BidWrtRtnBtn, &TFormAdjust::BidWrtRtnBtnClick, false },
        { ui->BidCheckOKBtn, &TFormAdjust::BidCheckOKBtnClick, true },
        { ui->BidCheckRtnBtn, &TFormAdjust::BidCheckRtnBtnClick, false },
        { ui->UsbIdOKBtn, &TFormAdjust::UsbIdOKBtnClick, true },
        { ui->UsbIdInputOKBtn, &TFormAdjust::UsbIdInputOKBtnClick, true },
        { ui->UsbIdInputRtnBtn, &TFormAdjust::UsbIdInputRtnBtnClick, false },
        { ui->TopMarginMainBtn, &TFormAdjust::TopMarginMainBtnClick, true },
        { ui->TopMarginWriteOKBtn, &TFormAdjust::TopMarginWriteOKBtnClick, true },
        { ui->TopMarginRtnBtn, &TFormAdjust::TopMarginRtnBtnClick, false },
        { ui->CleaningOKBtn, &TFormAdjust::CleaningOKBtnClick, true },
        { ui->ChargeOKBtn, &TFormAdjust::ChargeOKBtnClick, true },
        { ui->ProCounterOKBtn, &TFormAdjust::ProCounterOKBtnClick, false },
        { ui->CounterCheckOKBtn, &TFormAdjust::CounterCheckOKBtnClick, true },
        { ui->CounterCheckRtnBtn, &TFormAdjust::CounterCheckRtnBtnClick, false },
        { ui->CounterClearOKBtn, &TFormAdjust::CounterClearOKBtnClick, true },
        { ui->CounterClearRtnBtn, &TFormAdjust::CounterClearRtnBtnClick, false },
        { ui->EepromCheckOkBtn, &TFormAdjust::EepromCheckOkBtnClick, false },
        { ui->EepromReadOkBtn, &TFormAdjust::EepromReadOkBtnClick, true },
        { ui->EepromReadRtnBtn, &TFormAdjust::EepromReadRtnBtnClick, false },
        { ui->EepromGridRtnBtn, &TFormAdjust::EepromGridRtnBtnClick, false },
        { ui->EepromWriteOkBtn, &TFormAdjust::EepromWriteOkBtnClick, true },
        { ui->EepromWriteRtnBtn, &TFormAdjust::EepromWriteRtnBtnClick, false },
        { ui->BackupOKBtn, &TFormAdjust::BackupOKBtnClick, true },
        { ui->MessageOKBtn, &TFormAdjust::MessageOKBtnClick, false },
        { ui->MainRtnBtn, &TFormAdjust::MainRtnBtnClick, false },
        { ui->CRmoveBtn, &TFormAdjust::CRmoveBtnClick, true },
        { ui->CRreturnBtn, &TFormAdjust::CRreturnBtnClick, true },
        { ui->TransOKBtn, &TFormAdjust::TransOKBtnClick, true },
        { ui->TransCompleteBtn, &TFormAdjust::TransCompleteBtnClick, true },
        { ui->CRreturn2Btn, &TFormAdjust::CRreturn2BtnClick, true },
        { ui->A4CheckPrnOKBtn, &TFormAdjust::A4CheckPrnOKBtnClick, true },
    };
    for (const auto &binding : bindings)
        connect(binding.button, &QPushButton::clicked, this,
                running(binding.handler, binding.talks));
}

uint16_t TFormAdjust::ModelCode() const
{
    return ModelCodeSource ? ModelCodeSource() : 0;
}

int TFormAdjust::modelRow() const
{
    return FormBoot ? FormBoot->ModelNameCombo->currentIndex() : -1;
}

QString TFormAdjust::modelName() const
{
    return FormBoot ? FormBoot->ModelNameCombo->currentText() : QString();
}

uint16_t TFormAdjust::portIndex() const
{
    return FormBoot ? FormBoot->GetPortIndex() : 0;
}

void TFormAdjust::showCommunicationError()
{
    ShowStatus(smError, QStringLiteral("A communication error has occurred."));
}

bool TFormAdjust::IsUsbCapable(uint16_t modelCode)
{
    return models::isUsbCapable(modelCode);
}

QWidget *TFormAdjust::panel(const char *name) const
{
    return findChild<QWidget *>(QString::fromLatin1(name));
}

void TFormAdjust::showPanel(const char *name)
{
    if (QWidget *target = panel(name)) {
        target->show();
        target->raise();
    }
}

void TFormAdjust::hidePanel(QWidget *shown)
{
    // Hidden with the focus in it, a panel would pass the focus on along the chain, often to
    // "Quit", and the next Enter would start the close sequence. The window takes it instead,
    // so that Enter goes to the default button of the panel shown next.
    if (QWidget *focus = focusWidget(); focus && shown->isAncestorOf(focus))
        setFocus(Qt::OtherFocusReason);
    shown->hide();
}

QWidget *TFormAdjust::visiblePanel() const
{
    for (const char *name : Panels)
        if (QWidget *candidate = panel(name); candidate && candidate->isVisibleTo(this))
            return candidate;
    return nullptr;
}

QStringList TFormAdjust::PanelNames()
{
    QStringList names;
    for (const char *name : Panels)
        names << QString::fromLatin1(name);
    return names;
}

void TFormAdjust::setMemoColour(const QColor &colour)
{
    QPalette palette = StatusMemo->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::Disabled, QPalette::Text, colour);
    StatusMemo->setPalette(palette);
}

QColor TFormAdjust::StatusColour() const
{
    return StatusMemo->palette().color(QPalette::Text);
}

void TFormAdjust::repaintNow()
{
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFormAdjust::AddMemoLine(const QString &text)
{
    if (StatusMemo->document()->isEmpty())
        StatusMemo->setPlainText(text);
    else
        StatusMemo->appendPlainText(text);
}

void TFormAdjust::ResetWorkArea(bool keepMemo, bool resetBidCount)
{
    for (const char *name : Panels)
        hidePanel(panel(name));
    if (resetBidCount)
        BidPrintCount = 1;
    if (!keepMemo)
        StatusMemo->clear();
    StatusMemo->show();
    setMemoColour(MemoBlack);
    StatusMemo->setGeometry(StatusMemo->x(), ui->ReturnPnl->y(), StatusMemo->width(),
                            ui->ReturnPnl->height());
    StatusMemo->document()->setDefaultTextOption(QTextOption(Qt::AlignLeft));
    ui->HdVolWrtEdit->clear();
    ui->UsbIdInputEdit->clear();
}

void TFormAdjust::ShowStatus(int kind, const QString &text)
{
    switch (kind) {
    case smPlain:
        setMemoColour(MemoBlack);
        StatusMemo->setPlainText(text);
        break;
    case smWaitReady:
        if (!WaitUntilReady()) {
            ShowStatus(smError, QStringLiteral("Printer is error."));
            return;
        }
        setEnabled(true);
        setMemoColour(MemoBlack);
        platform::cursor().setBusy(false);
        DisableTimer->start();
        StatusMemo->setPlainText(text);
        break;
    case smBusy:
        // A tick still pending from an earlier wait must not enable the window mid-work.
        DisableTimer->stop();
        setMemoColour(MemoBlue);
        platform::cursor().setBusy(true);
        setEnabled(false);
        StatusMemo->setPlainText(text);
        break;
    case smError:
        setMemoColour(MemoRed);
        platform::cursor().setBusy(false);
        // After a busy message the window would otherwise stay disabled for good.
        setEnabled(true);
        StatusMemo->setPlainText(text);
        break;
    case smAppend: {
        QTextCursor cursor(StatusMemo->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        break;
    }
    case smNewLine: AddMemoLine(text); break;
    default: return;
    }
    repaintNow();
}

bool TFormAdjust::WaitUntilReady()
{
    return Maintenance.WaitUntilReady();
}

void TFormAdjust::SetAdjustmentItems(const QStringList &items)
{
    AdjustRdoGrp->setItems(items);
}

void TFormAdjust::SetTabSheet1Caption(const QString &caption)
{
    AdjustmentTab->setTabText(AdjustmentTab->indexOf(TabSheet1), caption);
}

QString TFormAdjust::TabSheet1Caption() const
{
    return AdjustmentTab->tabText(AdjustmentTab->indexOf(TabSheet1));
}

void TFormAdjust::SetUsbIdRowVisible(bool visible)
{
    USBIDGaideLabel->setVisible(visible);
    USBIDGaidePanel->setVisible(visible);
}

void TFormAdjust::AdjustRdoGrpClick()
{
    ResetWorkArea(false, true);
    static const char *const ErrorList[]
            = { "DefaultSetPnl", "CounterPnl", "EepromCheckPnl", "EepromBackupPnl" };
    static const char *const UsbList[]
            = { "DefaultSetPnl", "HdVolPnl", "BidPnl", "UsbIdPnl", "TopMarginMainPnl" };
    static const char *const ParallelList[]
            = { "DefaultSetPnl", "HdVolPnl", "BidPnl", "TopMarginMainPnl" };
    const int index = AdjustRdoGrp->itemIndex();
    const char *shown = nullptr;
    auto route = [&](const auto &list) {
        if (index >= 0 && index < int(std::size(list)))
            showPanel(shown = list[index]);
    };
    if (PrinterErrorMode)
        route(ErrorList);
    else if (IsUsbCapable(ModelCode()))
        route(UsbList);
    else
        route(ParallelList);
    MentRdoGrp->setItemIndex(-1);
    A4patRdoBtn->setChecked(false);
    if (shown)
        itemChosen(shown);
}

void TFormAdjust::MentRdoGrpClick()
{
    ResetWorkArea(false, true);
    static const char *const Targets[] = { "CleaningPnl", "ChargePnl",      "TraStep0Pnl",
                                           "CounterPnl",  "EepromCheckPnl", "EepromBackupPnl" };
    const int index = MentRdoGrp->itemIndex();
    const bool valid = index >= 0 && index < int(std::size(Targets));
    if (valid)
        showPanel(Targets[index]);
    AdjustRdoGrp->setItemIndex(-1);
    A4patRdoBtn->setChecked(false);
    if (valid)
        itemChosen(Targets[index]);
}

void TFormAdjust::AdjustmentTabChange()
{
    ResetWorkArea(false, false);
    showPanel("CanvasPnl");
    StatusMemo->clear();
    AdjustRdoGrp->setItemIndex(-1);
    MentRdoGrp->setItemIndex(-1);
    A4patRdoBtn->setChecked(false);
}

void TFormAdjust::AdjustRtnBtnClick()
{
    close();
}

void TFormAdjust::GetStatusBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("CanvasPnl");
    if (!StatusMonitorWindow)
        return;
    const bool wasLost = D4Link.LinkLost();
    if (wasLost && !D4Link.StartAgain(portIndex())) {
        // Still no answer: the message a silent status request gives, without one more
        // request's tries.
        PrinterStatus = psError;
        ErrorStatus = esCommunication;
        StatusMonitorWindow->ResetMonitor(0);
        StatusMonitorWindow->StatusCode = PrinterStatus;
        StatusMonitorWindow->ErrorCode = ErrorStatus;
        StatusMonitorWindow->DecodeStatus();
        return;
    }
    StatusMonitorWindow->RequestStatus();
    if (wasLost)
        AddMemoLine(QString::fromLatin1(LinkStartedAgainText));
}

void TFormAdjust::closeEvent(QCloseEvent *event)
{
    // Repaints and questions let a window-system close in while a workflow works; closing the
    // link under it would end the program at its next exchange. A close is taken only when
    // "Quit" could be pressed.
    if (m_running > 0 || !AdjustRtnBtn->isEnabled()) {
        event->ignore();
        return;
    }
    const RunningScope scope(m_running);
    FormClose();
    event->accept();
}

void TFormAdjust::FormClose()
{
    ResetWorkArea(false, false);
    for (QLabel *box : { ui->ShowHdVolIDPnl, ui->ShowMs1Pnl, ui->ShowMs2Pnl, ui->ShowVsPnl,
                         ui->ShowPrnUsbIDLbl, ui->ShowProCounterPnl, ui->ShowTopMarginPnl })
        box->clear();

    // A printer that does not answer the first step of the close, after all its tries, has
    // been switched off or unplugged: nothing further can reach it, and three more unanswered
    // steps would keep the technician waiting a minute for nothing.
    const bool answered = D4Link.CloseChannel(DataSocket, 0);
    platform::clock().sleep(200);
    if (answered) {
        if (!ExchangeDone) {
            platform::showMessage(platform::MessageKind::Information,
                                  "This program starts to initialize the printer.\nPlease wait "
                                  "about 10 seconds.");
            platform::cursor().setBusy(true);
            D4Link.ResetPrinter();
            platform::clock().sleep(10000);
        }
        D4Link.CloseChannel(ControlSocket, 0);
        platform::clock().sleep(200);
        D4Link.D4Exit();
    }
    PrinterDriver.ClosePort();

    platform::cursor().setBusy(false);
    showPanel("CanvasPnl");

    AdjustRdoGrp->setItemIndex(-1);
    MentRdoGrp->setItemIndex(-1);
    ui->HdVolRdoBtn->setItemIndex(0);
    ui->BidRdoBtn->setItemIndex(0);
    ui->CounterRdoBtn->setItemIndex(0);
    A4patRdoBtn->setChecked(false);

    {
        // Choosing the tab in code is no change by the technician.
        const QSignalBlocker blocker(AdjustmentTab);
        AdjustmentTab->setCurrentWidget(TabSheet1);
    }

    if (FormQuit)
        FormQuit->show();

    MentRdoGrp->setEnabled(true);
    A4patRdoBtn->setEnabled(true);
    SetTabSheet1Caption(QStringLiteral("Adjustment"));
    AdjustRdoGrp->setTitle(QStringLiteral("Adjustment items"));
    AdjustRdoGrp->clearItems();
    PrinterErrorMode = false;
    // Whatever state the window was left in, the next connection finds it usable.
    setEnabled(true);
}

void TFormAdjust::DisableTimerTimer()
{
    setEnabled(!(StatusMonitorWindow && StatusMonitorWindow->isVisible()));
    DisableTimer->stop();
}

void TFormAdjust::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button ("Previous" must never print), otherwise the shown
    // panel's default button; Escape presses its cancel button or, on a panel without one,
    // the window's own.
    if (PressFocusedButton(this, event))
        return;
    QWidget *shown = visiblePanel();
    const auto press = [](QPushButton *button) {
        if (button && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
        return false;
    };
    const auto find = [shown](auto &&wanted) -> QPushButton * {
        if (!shown)
            return nullptr;
        for (QPushButton *button : shown->findChildren<QPushButton *>())
            if (wanted(button))
                return button;
        return nullptr;
    };
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (press(find([](QPushButton *b) { return b->isDefault(); })))
            return;
    } else if (event->key() == Qt::Key_Escape) {
        if (press(find([](QPushButton *b) { return b->property("cancel").toBool(); }))
            || press(AdjustRtnBtn))
            return;
    }
    QWidget::keyPressEvent(event);
}

void TFormAdjust::ShowPanelForScreenshot(const QString &panelName)
{
    ResetWorkArea(false, false);
    const QByteArray name = panelName.toLatin1();
    showPanel(name.constData());
    if (panelName == QLatin1String("EepromGridPnl"))
        StatusMemo->hide();
    if (panelName == QLatin1String("BidPrnPnl"))
        setBidCountLabel();
}

bool TFormAdjust::SaveScreenshots(const QString &directory)
{
    QDir().mkpath(directory);
    bool allWritten = true;
    for (const QString &name : PanelNames()) {
        ShowPanelForScreenshot(name);
        allWritten = grab().save(QDir(directory).filePath(name + QStringLiteral(".png")))
                && allWritten;
    }
    ShowPanelForScreenshot(QStringLiteral("CanvasPnl"));
    return allWritten;
}
