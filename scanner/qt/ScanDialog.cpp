// The scan dialog. The session's jobs run on its own thread; a timer looks at them, so the
// dialog stays live while SANE lists devices or a scanner warms up, and Cancel works at once.
#include "scanner/qt/ScanDialog.h"

#include "ui_ScanDialog.h"

#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::array<int, 3> Resolutions{ 300, 600, 1200 };

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace

ScanDialog::ScanDialog(scanner::Session &session, const scanner::ScanRequest &defaults,
                       QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::ScanDialog>()), m_session(session),
      m_defaults(defaults), m_timer(new QTimer(this))
{
    ui->setupUi(this);
    // The listed resolution nearest the one asked for.
    int nearest = 0;
    for (int i = 1; i < int(Resolutions.size()); ++i)
        if (std::abs(Resolutions[size_t(i)] - defaults.dpi)
            < std::abs(Resolutions[size_t(nearest)] - defaults.dpi))
            nearest = i;
    ui->ResolutionBox->setCurrentIndex(nearest);
    m_timer->setObjectName(QStringLiteral("PollTimer"));
    m_timer->setInterval(PollMs);
    connectHandlers();

    ui->ScanBtn->setEnabled(false);
    ui->ScanProgress->setRange(0, 0);
    showMessage(tr("Looking for scanners..."), false);
    m_session.startListing();
    m_timer->start();
}

ScanDialog::~ScanDialog()
{
    // A scan still running is of no use to anyone now.
    if (m_state != State::Idle)
        m_session.cancel();
}

void ScanDialog::connectHandlers()
{
    connect(m_timer, &QTimer::timeout, this, &ScanDialog::poll);
    connect(ui->ScanBtn, &QPushButton::clicked, this, &ScanDialog::ScanBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &ScanDialog::CancelBtnClick);
    connect(ui->DeviceList, &QListWidget::itemDoubleClicked, this, &ScanDialog::ScanBtnClick);
}

QImage ScanDialog::image() const
{
    QImage image(m_page.width, m_page.height, QImage::Format_Grayscale8);
    for (int y = 0; y < m_page.height; ++y)
        std::memcpy(image.scanLine(y), m_page.grey.data() + size_t(y) * size_t(m_page.width),
                    size_t(m_page.width));
    if (m_page.dpi > 0) {
        const int perMetre = int(m_page.dpi / 0.0254 + 0.5);
        image.setDotsPerMeterX(perMetre);
        image.setDotsPerMeterY(perMetre);
    }
    return image;
}

int ScanDialog::requestedDpi() const
{
    return Resolutions[size_t(std::clamp(ui->ResolutionBox->currentIndex(), 0, 2))];
}

void ScanDialog::showMessage(const QString &message, bool failed)
{
    ui->MessageLbl->setText(message);
    ui->MessageLbl->setStyleSheet(failed ? QStringLiteral("color: rgb(192, 0, 0);") : QString());
}

void ScanDialog::setIdle(bool canScan)
{
    m_timer->stop();
    m_state = State::Idle;
    ui->DeviceList->setEnabled(true);
    ui->ResolutionBox->setEnabled(true);
    ui->ScanBtn->setEnabled(canScan);
    ui->ScanProgress->setRange(0, 1);
    ui->ScanProgress->setValue(0);
}

void ScanDialog::poll()
{
    if (m_session.wait(std::chrono::milliseconds(0))) {
        if (m_state == State::Listing)
            listed();
        else if (m_state == State::Scanning)
            scanned();
        return;
    }
    const scanner::Progress progress = m_session.progress();
    if (m_state == State::Scanning && progress.expected > 0) {
        ui->ScanProgress->setRange(0, 1000);
        ui->ScanProgress->setValue(
                int(std::min<int64_t>(1000, progress.received * 1000 / progress.expected)));
    }
}

void ScanDialog::listed()
{
    const scanner::DeviceList found = m_session.takeDevices();
    ui->DeviceList->clear();
    for (const scanner::Device &device : found.devices) {
        const QString label = text(device.vendor + " " + device.model + " (" + device.name + ")");
        auto *item = new QListWidgetItem(label, ui->DeviceList);
        item->setData(Qt::UserRole, text(device.name));
        if (device.name == m_defaults.device || ui->DeviceList->currentRow() < 0)
            ui->DeviceList->setCurrentItem(item);
    }
    setIdle(found.ok());
    if (found.ok())
        showMessage(tr("Lay the sheet face down on the glass, then press Scan."), false);
    else
        showMessage(text(found.message), true);
}

void ScanDialog::ScanBtnClick()
{
    const QListWidgetItem *item = ui->DeviceList->currentItem();
    if (m_state != State::Idle || item == nullptr)
        return;
    scanner::ScanRequest request = m_defaults;
    request.device = item->data(Qt::UserRole).toString().toStdString();
    request.dpi = requestedDpi();
    m_state = State::Scanning;
    ui->DeviceList->setEnabled(false);
    ui->ResolutionBox->setEnabled(false);
    ui->ScanBtn->setEnabled(false);
    ui->ScanProgress->setRange(0, 0);
    showMessage(tr("Scanning..."), false);
    m_session.startScan(request);
    m_timer->start();
}

void ScanDialog::scanned()
{
    scanner::Scan scan = m_session.takeScan();
    setIdle(true);
    if (!scan.ok()) {
        showMessage(text(scan.message), true);
        return;
    }
    m_page = std::move(scan.page);
    showMessage({}, false);
    accept();
}

void ScanDialog::CancelBtnClick()
{
    // While scanning, Cancel stops the scan and the technician may try again; otherwise it
    // closes the dialog.
    if (m_state == State::Scanning) {
        m_session.cancel();
        showMessage(tr("Cancelling..."), false);
        return;
    }
    reject();
}

void ScanDialog::reject()
{
    if (m_state != State::Idle) {
        m_session.cancel();
        m_timer->stop();
        m_state = State::Idle;
    }
    QDialog::reject();
}
