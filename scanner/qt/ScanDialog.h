// The dialog that scans a sheet: the scanners SANE lists, a resolution, Scan and Cancel, the
// scan's progress and what went wrong. Accepted, it holds the scanned page.
#pragma once

#include "scanner/Scanner.h"

#include <QDialog>
#include <QImage>

#include <memory>

class QTimer;

namespace Ui {
class ScanDialog;
}

class ScanDialog : public QDialog
{
    Q_OBJECT

public:
    // `defaults` preselects a device and a resolution; its options go with every scan.
    explicit ScanDialog(scanner::Session &session, const scanner::ScanRequest &defaults = {},
                        QWidget *parent = nullptr);
    ~ScanDialog() override;

    // The page of an accepted dialog, and the same as an image.
    const scanner::Page &page() const { return m_page; }
    QImage image() const;
    // The resolution chosen in the dialog; the page's own `dpi` is the scanner's word for it
    // (0 when the scanner has none).
    int requestedDpi() const;

    // How often the running job is looked at.
    static constexpr int PollMs = 50;

    void ScanBtnClick();
    void CancelBtnClick();
    void reject() override;

private:
    enum class State { Listing, Idle, Scanning };
    void connectHandlers();
    void poll();
    void listed();
    void scanned();
    void showMessage(const QString &text, bool failed);
    void setIdle(bool canScan);

    std::unique_ptr<Ui::ScanDialog> ui;
    scanner::Session &m_session;
    scanner::ScanRequest m_defaults;
    QTimer *m_timer;
    State m_state = State::Listing;
    scanner::Page m_page;
};
