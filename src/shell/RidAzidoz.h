// The adjustment window: item lists on three tabs, one dialogue panel at a time, the status
// memo every workflow reports in, the information panel and the close sequence of the link.
#pragma once

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class TRadioGroup;

namespace Ui {
class TFormAdjust;
}

namespace records {
struct BoardBackup;
}

// The memo's line after the link was started again for a printer that had dropped out.
inline constexpr const char *LinkStartedAgainText
        = "The link to the printer has been started again.";

// Kinds of ShowStatus.
enum TStatusKind : int {
    smPlain = 1,
    smWaitReady = 2,
    smBusy = 3,
    smError = 4,
    smAppend = 5,
    smNewLine = 6,
};

class TFormAdjust : public QWidget
{
    Q_OBJECT

public:
    explicit TFormAdjust(QWidget *parent = nullptr);
    ~TFormAdjust() override;

    // Operations every workflow uses.
    void ResetWorkArea(bool keepMemo, bool resetBidCount);
    void ShowStatus(int kind, const QString &text);
    bool WaitUntilReady();

    // State of the window.
    int BidPrintCount = 1;
    bool ExchangeDone = false;
    bool PrinterErrorMode = false;

    // The model code of the connection; the start window installs its GetModelCode here,
    // tests may install any code (the USB-capable ones are odd).
    std::function<uint16_t()> ModelCodeSource;
    uint16_t ModelCode() const;
    static bool IsUsbCapable(uint16_t modelCode);

    // Controls the other windows reach (the status decoder and the start window).
    QTabWidget *AdjustmentTab = nullptr;
    QWidget *TabSheet1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QWidget *Tabsheet3 = nullptr;
    TRadioGroup *AdjustRdoGrp = nullptr;
    TRadioGroup *MentRdoGrp = nullptr;
    QRadioButton *A4patRdoBtn = nullptr;
    QPlainTextEdit *StatusMemo = nullptr;
    QLabel *IndividualModelNameLbl = nullptr;
    QLabel *USBIDGaideLabel = nullptr;
    QFrame *USBIDGaidePanel = nullptr;
    QLabel *ShowPrnUsbIDLbl = nullptr;
    QPushButton *AdjustRtnBtn = nullptr;
    QPushButton *GetStatusBtn = nullptr;
    QFrame *CanvasPnl = nullptr;
    QTimer *DisableTimer = nullptr;

    // Conveniences for the status decoder and the start window.
    void SetAdjustmentItems(const QStringList &items);
    void SetTabSheet1Caption(const QString &caption);
    QString TabSheet1Caption() const;
    void SetUsbIdRowVisible(bool visible);
    // Text colour of the whole memo.
    QColor StatusColour() const;
    // Appends a line to the memo without touching its colour (Lines.Add).
    void AddMemoLine(const QString &text);

    // Every dialogue panel, CanvasPnl first, in the order of the window's layout.
    static QStringList PanelNames();
    // Shows one panel as its navigation would (EepromGridPnl hides the memo); for pictures
    // of the window.
    void ShowPanelForScreenshot(const QString &panelName);
    // Writes <directory>/<panel>.png for every panel; false if a file could not be written.
    bool SaveScreenshots(const QString &directory);

public slots:
    // Frame handlers.
    void AdjustRdoGrpClick();
    void MentRdoGrpClick();
    void A4patRdoBtnClick();
    void AdjustmentTabChange();
    void AdjustRtnBtnClick();
    void GetStatusBtnClick();
    void FormClose();
    void DisableTimerTimer();

    // Head voltage ID and USB ID.
    void HdVolOKBtnClick();
    void HdVolCheckOKBtnClick();
    void HdVolCheckRtnBtnClick();
    void HdVolWrtOKBtnClick();
    void HdVolWrtRtnBtnClick();
    void UsbIdOKBtnClick();
    void UsbIdInputOKBtnClick();
    void UsbIdInputRtnBtnClick();

    // Bi-D and top margin.
    void BidOKBtnClick();
    void BidPrnOKBtnClick();
    void BidPrnRtnBtnClick();
    void BidWrtSelOKBtnClick();
    void BidWrtSelRtnBtnClick();
    void BidWrtOKBtnClick();
    void BidWrtRtnBtnClick();
    void BidCheckOKBtnClick();
    void BidCheckRtnBtnClick();
    void TopMarginMainBtnClick();
    void TopMarginWriteOKBtnClick();
    void TopMarginRtnBtnClick();

    // EEPROM check and change.
    void EepromCheckOkBtnClick();
    void EepromReadOkBtnClick();
    void EepromReadRtnBtnClick();
    void EepromGridRtnBtnClick();
    void EepromWriteOkBtnClick();
    void EepromWriteRtnBtnClick();

    // EEPROM initial setting and backup.
    void DefaultSetBtnClick();
    void BackupOKBtnClick();

    // Protection counter, cleaning, ink charge.
    void ProCounterOKBtnClick();
    void CounterCheckOKBtnClick();
    void CounterCheckRtnBtnClick();
    void CounterClearOKBtnClick();
    void CounterClearRtnBtnClick();
    void CleaningOKBtnClick();
    void ChargeOKBtnClick();

    // Transportation liquid exchange.
    void MessageOKBtnClick();
    void MainRtnBtnClick();
    void CRmoveBtnClick();
    void CRreturnBtnClick();
    void TransOKBtnClick();
    void TransCompleteBtnClick();
    void CRreturn2BtnClick();

    // A4 check sheet.
    void A4CheckPrnOKBtnClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyDeclaredLooks();
    void fillGridHeaders();
    void connectHandlers();
    void showPanel(const char *name);
    void hidePanel(QWidget *shown);
    QWidget *panel(const char *name) const;
    QWidget *visiblePanel() const;
    void setMemoColour(const QColor &colour);
    void repaintNow();
    void setBidCountLabel();

    // What the start window holds for the connection: the model row and its text, the port.
    int modelRow() const;
    QString modelName() const;
    uint16_t portIndex() const;
    // The red message for a value or a write that the printer did not answer.
    void showCommunicationError();

    // Workflow steps shared inside one workflow file.
    bool reconnectAfterBoardChange();
    bool writeBackupCells(const std::vector<std::pair<uint8_t, uint8_t>> &cells, bool readBack);
    void backupRestored(records::BoardBackup &backup);
    // Asks whether a backup that was never written back goes to this printer, and writes it.
    void offerUnrestoredBackup();
    void setExchangeLocked(bool locked);
    // After an error in the locked part of the exchange: the step's own panel again, so that
    // its OK tries the step once more, and the question whether to leave the exchange
    // unfinished instead. True when the technician left it.
    bool retryStepOnError(const char *shownPanel, const char *stepPanel);
    bool offerToLeaveExchange(const char *stepPanel);

    // A link that an exchange found lost is started again before the printer is next asked
    // anything: false, after today's message, when the printer still does not answer.
    bool restartLinkIfLost();
    // After an item's panel is shown: the link started again if it was lost, and for the
    // "EEPROM backup data" item the offer of a backup that was never written back.
    void itemChosen(const char *shownPanel);

    std::unique_ptr<Ui::TFormAdjust> ui;
    // Handlers and the close sequence running now; a close request waits for none of them
    // and is refused instead.
    int m_running = 0;
};

extern TFormAdjust *FormAdjust;
