// The trainer's window of the --virtual-printer mode: the printed pages, the printer's state
// to change while the program runs (an error in the middle of a job, a printer that drops
// out), and its EEPROM as the program changes it.
#pragma once

#include "shell/VirtualPages.h"
#include "vprinter/VirtualPrinter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class VirtualPrinterWindow;
}

namespace vprinter {
class PageViewer;
}

class VirtualPrinterWindow : public QWidget
{
    Q_OBJECT

public:
    VirtualPrinterWindow(vprinter::VirtualPrinter &printer, const QString &pagesDirectory,
                         QWidget *parent = nullptr);
    ~VirtualPrinterWindow() override;

    vprinter::PageViewer *viewer() const;
    VirtualPages &pages() { return m_pages; }

    // Shows the window without taking the focus from `program` (or from the active window
    // when none is named). The first time it is placed where it covers none of `programArea`
    // (the program's windows; `program`'s own frame when empty), as placeBeside() has it.
    void showQuietly(QWidget *program, const QRect &programArea = {});
    // Where the window goes on a screen with `room` free, with the program's windows in
    // `programArea`: at the right edge, at `size`, where that leaves them clear; otherwise in
    // the taller of the bands above and below them, as wide as the screen (the Printer tab
    // then puts its groups in one row and scrolls what is still too tall); at the right
    // edge again when neither band is MinimumBandHeight high. The window's own geometry,
    // without the frame a window system adds.
    static QRect placeBeside(const QRect &room, const QRect &programArea, const QSize &size);
    static constexpr int MinimumBandHeight = 240;
    // A sheet came out: onto the Pages tab, which comes to the front unless the trainer is at
    // work in another tab; a window closed meanwhile comes back, again without the focus.
    void addPage(const QString &path, const QImage &image, const QString &note = {});

    // Brings the tabs up to date with the printer. It only compares what is shown with the
    // printer and redraws what differs, so the refresh timer can call it whenever the program
    // lets the event loop run.
    void refresh();
    static constexpr int RefreshMs = 200;

    // The EEPROM image files of cantra-vprinter --eeprom. False when nothing was loaded or
    // saved; the EEPROM tab then says why.
    bool LoadEepromImage(const QString &path);
    bool SaveEepromImage(const QString &path);

    void SwitchedOffChkClick(bool off);
    void StateRdoGrpClick(int index);
    void ErrorRdoGrpClick(int index);
    void InkEditChange();
    void WarnChkClick();
    void MechanicsEditChange();
    void CounterEditChange(int value);
    void EepromLoadBtnClick();
    void EepromSaveBtnClick();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void connectHandlers();
    void refreshPrinter();
    void refreshEeprom();
    void showEepromCell(int address);
    void showChangedCount();
    void setEepromMessage(const QString &text, bool failed);
    void openImageDialog(bool load);
    void showPagePosition();
    void layOutPrinterTab();

    std::unique_ptr<Ui::VirtualPrinterWindow> ui;
    vprinter::VirtualPrinter &m_printer;
    VirtualPages m_pages;
    QTimer *m_refreshTimer;

    // The EEPROM as the grid shows it, and as it was at the start (or the last load):
    // cells that differ from the start are highlighted.
    vprinter::EepromImage m_shownEeprom{};
    vprinter::EepromImage m_startEeprom{};
    QString m_imageFolder;

    // A window system that activates every window it shows gets the activation handed back.
    QPointer<QWidget> m_handBackTo;
    QElapsedTimer m_shown;
    bool m_placed = false;
};
