// The status monitor window: the hidden window that carries the printer status decoder. It
// turns the shared status values into the adjustment window's memo text and item lists.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TInkShape;
class TRadioGroup;

namespace Ui {
class TStatusMonitorWindow;
}

class TStatusMonitorWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TStatusMonitorWindow(QWidget *parent = nullptr);
    ~TStatusMonitorWindow() override;

    // Queries the printer and shows the decoded state in the adjustment window.
    void RequestStatus();
    void DecodeStatus();
    void ShowErrorMessage();
    void ShowInkMessage();
    // Empties the adjustment window's memo and the indicators; kind 2 (before an error or ink
    // message) also disables the "D4 mode functions" group.
    void ResetMonitor(int kind);

    // The ink states from the last status, as ShowInkMessage reads them.
    void DeriveInkStates();

    uint16_t StatusCode = 0;
    uint16_t ErrorCode = 0;
    uint8_t BlackInkState = 0; // 0 no message, 1 low, 2 out
    uint8_t ColorInkState = 0;
    uint8_t YellowLow = 0;
    uint8_t MagentaLow = 0;
    uint8_t CyanLow = 0;

    QPlainTextEdit *StatusMonitorMem;
    QPushButton *StatusMonitorLeftBtn;
    QPushButton *StatusMonitorRightBtn;
    QGroupBox *StatusMonitorGrpBox;
    QFrame *StatusMonitorSeparationBvl;
    TRadioGroup *StatusMonitorD4ModeFuncRdoGrp;
    TRadioGroup *ExchangeInkCartridgeRdoGrp;
    TRadioGroup *EepromParameterRdoGrp;
    QPushButton *StatusMonitorD4ModeFuncBtn;
    QLabel *InkLevelBlack1Lbl;
    QLabel *InkLevelBlack2Lbl;
    QLabel *InkLevelColor1Lbl;
    QLabel *InkLevelColor2Lbl;
    QLabel *BlackInkLevelGaugeImg;
    QLabel *ColorInkLevelGaugeImg;
    TInkShape *InkSehllBlackShp;
    TInkShape *InkShellCyanShp;
    TInkShape *InkShellMagentaShp;
    TInkShape *InkShellYellowShp;
    TInkShape *InkLevelBlackShp;
    TInkShape *InkLevelCyanShp;
    TInkShape *InkLevelMagentaShp;
    TInkShape *InkLevelYellowShp;
    QLabel *InkOutWarningBlackImg;
    QLabel *InkOutWarningColorImg;
    QLabel *InkLowWarningBlackImg;
    QLabel *InkLowWarningColorImg;

private:
    void drawPictures();
    void setMemo(const char *text);
    void addLine(const char *text);

    std::unique_ptr<Ui::TStatusMonitorWindow> ui;
};

extern TStatusMonitorWindow *StatusMonitorWindow;
