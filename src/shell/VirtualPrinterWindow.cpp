// The virtual printer window: three tabs over the in-process printer. Every change a trainer
// makes goes straight into the printer and so takes effect at the program's next exchange;
// what the program changes shows at the next refresh.
#include "shell/VirtualPrinterWindow.h"

#include "commands/EepromMap.h"
#include "shell/FormControls.h"
#include "ui_VirtualPrinterWindow.h"
#include "vprinter/EepromFile.h"
#include "vprinter/qt/PageViewer.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <array>

namespace {

// The states and errors a printer of this family reports, in the order of the two groups.
constexpr std::array<char, 8> StateDigits{ '4', '2', '7', '3', '1', '8', '9', '0' };
constexpr std::array<char, 7> ErrorChars{ 0, '0', '1', '4', '5', '6', 'B' };

const QColor ChangedCell(255, 214, 102);
const QColor FailedText(192, 0, 0);

template<size_t N> int indexOf(const std::array<char, N> &table, char value)
{
    const auto found = std::find(table.begin(), table.end(), value);
    return found == table.end() ? -1 : int(found - table.begin());
}

// The reply's fields, without the header line and the line end.
QString reportText(vprinter::VirtualPrinter &printer)
{
    if (!printer.switchedOn())
        return QStringLiteral("Switched off: answers nothing.");
    QString text = QString::fromLatin1(printer.statusText().c_str());
    text.remove(QStringLiteral("@BDC ST2"));
    return QStringLiteral("Answers now: ") + text.simplified();
}

void setSpin(QSpinBox *box, int value)
{
    // Only a value someone else changed: a box the trainer is typing into keeps its text.
    if (box->value() != value) {
        const QSignalBlocker quiet(box);
        box->setValue(value);
    }
}

void setCheck(QAbstractButton *box, bool checked)
{
    if (box->isChecked() != checked) {
        const QSignalBlocker quiet(box);
        box->setChecked(checked);
    }
}

} // namespace

VirtualPrinterWindow::VirtualPrinterWindow(vprinter::VirtualPrinter &printer,
                                           const QString &pagesDirectory, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::VirtualPrinterWindow>()),
      m_printer(printer), m_pages(printer, pagesDirectory), m_refreshTimer(new QTimer(this))
{
    ui->setupUi(this);
    // It must never take the focus from the program's windows by appearing; a click of the
    // trainer's gives it the focus as any window gets it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui->ReportLbl->setFont(fixed);
    QTableWidget *grid = ui->EepromGrid;
    grid->setFont(fixed);
    for (int i = 0; i < 16; ++i) {
        grid->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::number(i, 16).toUpper()));
        grid->setVerticalHeaderItem(
                i,
                new QTableWidgetItem(
                        QStringLiteral("%1").arg(i * 16, 2, 16, QChar('0')).toUpper()));
    }
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_startEeprom = printer.eeprom();
    m_shownEeprom = printer.eeprom();
    for (int address = 0; address < int(vprinter::EepromSize); ++address) {
        grid->setItem(address / 16, address % 16, new QTableWidgetItem);
        grid->item(address / 16, address % 16)->setTextAlignment(Qt::AlignCenter);
        showEepromCell(address);
    }
    showChangedCount();

    m_refreshTimer->setObjectName(QStringLiteral("RefreshTimer"));
    m_refreshTimer->setInterval(RefreshMs);
    connectHandlers();
    showPagePosition();
    refresh();
}

VirtualPrinterWindow::~VirtualPrinterWindow() = default;

vprinter::PageViewer *VirtualPrinterWindow::viewer() const
{
    return ui->PageViewer;
}

void VirtualPrinterWindow::connectHandlers()
{
    connect(m_refreshTimer, &QTimer::timeout, this, &VirtualPrinterWindow::refresh);
    connect(&m_pages, &VirtualPages::pagePrinted, this, &VirtualPrinterWindow::addPage);
    connect(ui->PageViewer, &vprinter::PageViewer::pageChanged, this,
            &VirtualPrinterWindow::showPagePosition);

    connect(ui->SwitchedOffChk, &QCheckBox::clicked, this,
            &VirtualPrinterWindow::SwitchedOffChkClick);
    connect(ui->StateRdoGrp, &TRadioGroup::itemClicked, this,
            &VirtualPrinterWindow::StateRdoGrpClick);
    connect(ui->ErrorRdoGrp, &TRadioGroup::itemClicked, this,
            &VirtualPrinterWindow::ErrorRdoGrpClick);
    for (QSpinBox *ink :
         { ui->InkBlackEdit, ui->InkCyanEdit, ui->InkMagentaEdit, ui->InkYellowEdit })
        connect(ink, &QSpinBox::valueChanged, this, &VirtualPrinterWindow::InkEditChange);
    for (QCheckBox *warn :
         { ui->WarnBlackChk, ui->WarnCyanChk, ui->WarnMagentaChk, ui->WarnYellowChk })
        connect(warn, &QCheckBox::clicked, this, &VirtualPrinterWindow::WarnChkClick);
    for (QSpinBox *error : { ui->BidMs1Edit, ui->BidMs2Edit, ui->BidVsEdit, ui->TopMarginErrEdit })
        connect(error, &QSpinBox::valueChanged, this, &VirtualPrinterWindow::MechanicsEditChange);
    connect(ui->TopMarginErrChk, &QCheckBox::clicked, this,
            &VirtualPrinterWindow::MechanicsEditChange);
    connect(ui->CounterEdit, &QSpinBox::valueChanged, this,
            &VirtualPrinterWindow::CounterEditChange);
    connect(ui->EepromLoadBtn, &QPushButton::clicked, this,
            &VirtualPrinterWindow::EepromLoadBtnClick);
    connect(ui->EepromSaveBtn, &QPushButton::clicked, this,
            &VirtualPrinterWindow::EepromSaveBtnClick);
}

// ---- Showing without taking the focus

QRect VirtualPrinterWindow::placeBeside(const QRect &room, const QRect &programArea,
                                        const QSize &size)
{
    // What a window system's frame adds round a window: a title bar and thin edges. Before a
    // window is shown nobody knows it exactly.
    const QMargins frame(4, 30, 4, 4);
    const QRect taken = programArea.marginsAdded(frame);
    const int width = size.width() + frame.left() + frame.right();
    const int height = std::min(room.height(), size.height() + frame.top() + frame.bottom());
    const QRect rightEdge(room.right() + 1 - width, room.top(), width, height);
    if (room.right() - taken.right() >= width)
        return rightEdge.marginsRemoved(frame);
    const QRect above(room.left(), room.top(), room.width(), taken.top() - room.top());
    const QRect below(room.left(), taken.bottom() + 1, room.width(),
                      room.bottom() - taken.bottom());
    const QRect band = above.height() > below.height() ? above : below;
    // A band too low for the Printer tab's groups in one row is no help: then the right edge,
    // over the program's windows, as on any small screen.
    if (band.height() - frame.top() - frame.bottom() < MinimumBandHeight)
        return rightEdge.marginsRemoved(frame);
    return band.marginsRemoved(frame);
}

void VirtualPrinterWindow::showQuietly(QWidget *program, const QRect &programArea)
{
    m_handBackTo = program ? program : QApplication::activeWindow();
    if (m_handBackTo && !m_placed) {
        // The program's windows come up in the middle of the screen: beside them at the right
        // edge, where the screen is wide enough, otherwise below or above them.
        m_placed = true;
        if (const QScreen *screen = m_handBackTo->screen())
            setGeometry(placeBeside(
                    screen->availableGeometry(),
                    programArea.isEmpty() ? m_handBackTo->frameGeometry() : programArea, size()));
    }
    m_shown.start();
    show();
}

void VirtualPrinterWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOutPrinterTab();
}

void VirtualPrinterWindow::layOutPrinterTab()
{
    // Where the window is wide enough for the Printer tab's groups in one row (below the
    // program's windows on a narrow screen) they go in one, low enough to need no scrolling;
    // otherwise the state and the levels go one above the other.
    const QWidget *const groups[]
            = { ui->StateRdoGrp, ui->ErrorRdoGrp, ui->InkGrp, ui->MechanicsGrp, ui->CounterGrp };
    int row = 40; // the window's, the tabs' and the page's margins, and the gaps
    for (const QWidget *group : groups)
        row += group->sizeHint().width();
    const auto direction = width() >= row ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    QBoxLayout *const layouts[] = { ui->PrinterLayout, ui->PrinterLevelsColumn };
    for (QBoxLayout *layout : layouts)
        if (layout->direction() != direction)
            layout->setDirection(direction);
}

void VirtualPrinterWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !m_handBackTo)
        return;
    // Only the activation that comes with showing the window, not a later click on it.
    constexpr qint64 ShowingMs = 1000;
    if (m_shown.isValid() && m_shown.elapsed() < ShowingMs && m_handBackTo != this)
        m_handBackTo->activateWindow();
    m_handBackTo = nullptr;
}

void VirtualPrinterWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_refreshTimer->start();
}

void VirtualPrinterWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_refreshTimer->stop();
}

// ---- Pages

void VirtualPrinterWindow::addPage(const QString &path, const QImage &image, const QString &note)
{
    ui->PageViewer->addPage(path, image, note);
    if (!isActiveWindow())
        ui->PrinterTabs->setCurrentWidget(ui->PagesTab);
    if (!isVisible())
        showQuietly(nullptr);
}

void VirtualPrinterWindow::showPagePosition()
{
    const int count = ui->PageViewer->pageCount();
    ui->PagePathLbl->setText(
            count ? ui->PageViewer->title()
                  : QStringLiteral("Pages are saved in %1").arg(m_pages.directory()));
    ui->PrinterTabs->setTabText(ui->PrinterTabs->indexOf(ui->PagesTab),
                                count ? QStringLiteral("Pages (%1)").arg(count)
                                      : QStringLiteral("Pages"));
}

// ---- Refresh

void VirtualPrinterWindow::refresh()
{
    refreshPrinter();
    refreshEeprom();
}

void VirtualPrinterWindow::refreshPrinter()
{
    const QString report = reportText(m_printer);
    if (ui->ReportLbl->text() != report)
        ui->ReportLbl->setText(report);
    setCheck(ui->SwitchedOffChk, !m_printer.switchedOn());

    // The two groups show what the report line says: an error makes the state 0, a reset or
    // a cleaning makes the printer busy for a while, a full waste ink pad is an error.
    const vprinter::PrinterState &state = m_printer.state();
    const int stateIndex = indexOf(StateDigits, m_printer.reportedStateDigit());
    if (ui->StateRdoGrp->itemIndex() != stateIndex)
        ui->StateRdoGrp->setItemIndex(stateIndex);
    const int errorIndex = indexOf(ErrorChars, m_printer.reportedErrorChar());
    if (ui->ErrorRdoGrp->itemIndex() != errorIndex)
        ui->ErrorRdoGrp->setItemIndex(errorIndex);

    QSpinBox *const inks[]
            = { ui->InkBlackEdit, ui->InkCyanEdit, ui->InkMagentaEdit, ui->InkYellowEdit };
    QCheckBox *const warnings[]
            = { ui->WarnBlackChk, ui->WarnCyanChk, ui->WarnMagentaChk, ui->WarnYellowChk };
    for (int i = 0; i < 4; ++i) {
        setSpin(inks[i], state.inkLevels[size_t(i)]);
        setCheck(warnings[i], std::count(state.warnings.begin(), state.warnings.end(), i) > 0);
    }

    const vprinter::BidErrors &bid = m_printer.bidErrors();
    setSpin(ui->BidMs1Edit, bid.multiShot1);
    setSpin(ui->BidMs2Edit, bid.multiShot2);
    setSpin(ui->BidVsEdit, bid.variableShot);
    const std::optional<int> topMargin = m_printer.topMarginError();
    setCheck(ui->TopMarginErrChk, topMargin.has_value());
    ui->TopMarginErrEdit->setEnabled(topMargin.has_value());
    if (topMargin)
        setSpin(ui->TopMarginErrEdit, *topMargin);

    setSpin(ui->CounterEdit, vprinter::protectionCounter(m_printer.eeprom()));
}

void VirtualPrinterWindow::refreshEeprom()
{
    const vprinter::EepromImage &now = m_printer.eeprom();
    if (now == m_shownEeprom)
        return;
    for (int address = 0; address < int(vprinter::EepromSize); ++address)
        if (now[size_t(address)] != m_shownEeprom[size_t(address)]) {
            m_shownEeprom[size_t(address)] = now[size_t(address)];
            showEepromCell(address);
        }
    showChangedCount();
}

void VirtualPrinterWindow::showEepromCell(int address)
{
    const auto value = m_shownEeprom[size_t(address)];
    const auto start = m_startEeprom[size_t(address)];
    QTableWidgetItem *cell = ui->EepromGrid->item(address / 16, address % 16);
    const auto hex = [](unsigned byte) {
        return QStringLiteral("%1").arg(byte, 2, 16, QChar('0')).toUpper();
    };
    cell->setText(hex(value));
    const bool changed = value != start;
    cell->setBackground(changed ? QBrush(ChangedCell) : QBrush());
    cell->setToolTip(changed ? QStringLiteral("Cell %1 (%2): %3, was %4 at the start")
                                       .arg(address)
                                       .arg(hex(unsigned(address)), hex(value), hex(start))
                             : QStringLiteral("Cell %1 (%2): %3")
                                       .arg(address)
                                       .arg(hex(unsigned(address)), hex(value)));
}

void VirtualPrinterWindow::showChangedCount()
{
    int changed = 0;
    for (size_t i = 0; i < vprinter::EepromSize; ++i)
        changed += m_shownEeprom[i] != m_startEeprom[i];
    ui->EepromChangedLbl->setText(
            changed == 0 ? QStringLiteral("No cell changed since the start")
                    : changed == 1
                    ? QStringLiteral("1 cell changed since the start")
                    : QStringLiteral("%1 cells changed since the start").arg(changed));
}

// ---- The trainer's changes

void VirtualPrinterWindow::SwitchedOffChkClick(bool off)
{
    if (off)
        m_printer.switchOff();
    else
        m_printer.switchOn();
    refreshPrinter();
}

void VirtualPrinterWindow::StateRdoGrpClick(int index)
{
    if (index < 0 || index >= int(StateDigits.size()))
        return;
    // A state other than the error state is answered only without an error: choosing it
    // ends the error the trainer chose.
    m_printer.state().stateDigit = StateDigits[size_t(index)];
    if (StateDigits[size_t(index)] != '0')
        m_printer.state().errorChar = 0;
    refreshPrinter();
}

void VirtualPrinterWindow::ErrorRdoGrpClick(int index)
{
    if (index >= 0 && index < int(ErrorChars.size()))
        m_printer.state().errorChar = ErrorChars[size_t(index)];
    refreshPrinter();
}

void VirtualPrinterWindow::InkEditChange()
{
    m_printer.state().inkLevels
            = { uint8_t(ui->InkBlackEdit->value()), uint8_t(ui->InkCyanEdit->value()),
                uint8_t(ui->InkMagentaEdit->value()), uint8_t(ui->InkYellowEdit->value()) };
    refreshPrinter();
}

void VirtualPrinterWindow::WarnChkClick()
{
    std::vector<int> &warnings = m_printer.state().warnings;
    warnings.clear();
    const QCheckBox *const boxes[]
            = { ui->WarnBlackChk, ui->WarnCyanChk, ui->WarnMagentaChk, ui->WarnYellowChk };
    for (int code = 0; code < 4; ++code)
        if (boxes[code]->isChecked())
            warnings.push_back(code);
    refreshPrinter();
}

void VirtualPrinterWindow::MechanicsEditChange()
{
    vprinter::BidErrors &bid = m_printer.bidErrors();
    bid.multiShot1 = ui->BidMs1Edit->value();
    bid.multiShot2 = ui->BidMs2Edit->value();
    bid.variableShot = ui->BidVsEdit->value();
    m_printer.topMarginError() = ui->TopMarginErrChk->isChecked()
            ? std::optional<int>(ui->TopMarginErrEdit->value())
            : std::nullopt;
    refreshPrinter();
}

void VirtualPrinterWindow::CounterEditChange(int value)
{
    vprinter::EepromImage &image = m_printer.eeprom();
    image[eeprom::CounterHigh] = uint8_t(value >> 8);
    image[eeprom::CounterLow] = uint8_t(value & 0xFF);
    refresh();
}

// ---- EEPROM image files

void VirtualPrinterWindow::EepromLoadBtnClick()
{
    openImageDialog(true);
}

void VirtualPrinterWindow::EepromSaveBtnClick()
{
    openImageDialog(false);
}

void VirtualPrinterWindow::openImageDialog(bool load)
{
    // Not a modal loop of its own: the program may be in the middle of a job, and its
    // handlers must go on while the trainer picks a file.
    auto *dialog = new QFileDialog(
            this,
            load ? QStringLiteral("Load an EEPROM image") : QStringLiteral("Save the EEPROM image"),
            m_imageFolder, QStringLiteral("EEPROM images (*.bin *.eep *.rom);;All files (*)"));
    dialog->setObjectName(QStringLiteral("EepromFileDlg"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(load ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog->setFileMode(load ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this, load](const QString &path) {
        m_imageFolder = QFileInfo(path).absolutePath();
        if (load)
            LoadEepromImage(path);
        else
            SaveEepromImage(path);
    });
    dialog->open();
}

bool VirtualPrinterWindow::LoadEepromImage(const QString &path)
{
    std::string error;
    vprinter::EepromImage image{};
    if (!vprinter::readEepromFile(path.toStdString(), image, error)) {
        setEepromMessage(QStringLiteral("Not loaded: %1. The EEPROM is as it was.")
                                 .arg(QString::fromStdString(error)),
                         true);
        return false;
    }
    m_printer.eeprom() = image;
    // The image is the new start: what the program changes from now on is highlighted.
    m_startEeprom = image;
    m_shownEeprom = image;
    for (int address = 0; address < int(vprinter::EepromSize); ++address)
        showEepromCell(address);
    showChangedCount();
    refreshPrinter();
    setEepromMessage(
            QStringLiteral("Loaded %1. Highlighting starts again from this image.").arg(path),
            false);
    return true;
}

bool VirtualPrinterWindow::SaveEepromImage(const QString &path)
{
    std::string error;
    if (!vprinter::writeEepromFile(path.toStdString(), m_printer.eeprom(), error)) {
        setEepromMessage(QStringLiteral("Not saved: %1.").arg(QString::fromStdString(error)), true);
        return false;
    }
    setEepromMessage(QStringLiteral("Saved the 256 cells to %1.").arg(path), false);
    return true;
}

void VirtualPrinterWindow::setEepromMessage(const QString &text, bool failed)
{
    QPalette palette = ui->EepromMessageLbl->palette();
    palette.setColor(QPalette::WindowText,
                     failed ? FailedText : QApplication::palette().color(QPalette::WindowText));
    ui->EepromMessageLbl->setPalette(palette);
    ui->EepromMessageLbl->setText(text);
}
