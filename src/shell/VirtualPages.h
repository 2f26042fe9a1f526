// The sheets the in-process virtual printer prints: written as PNG files to a folder and shown
// in the page viewer, which opens with the first sheet.
#pragma once

#include "vprinter/qt/PagePng.h"
#include "vprinter/qt/PageViewer.h"

#include <QObject>
#include <QString>

#include <memory>

namespace vprinter {
class VirtualPrinter;
}

class VirtualPages : public QObject
{
    Q_OBJECT

public:
    VirtualPages(vprinter::VirtualPrinter &printer, const QString &directory,
                 QObject *parent = nullptr);
    ~VirtualPages() override;

    // "cantra-virtual-pages" in the system's temporary folder.
    static QString defaultDirectory();
    const QString &directory() const { return m_folder.directory(); }
    // The viewer window; none until the first sheet has come out.
    vprinter::PageViewerWindow *window() const { return m_window.get(); }

    // Writes and shows the sheets ejected so far. It runs from the event loop after an
    // ejection, so that the handler that printed is not held up by it.
    void flush();

private:
    vprinter::VirtualPrinter &m_printer;
    vprinter::PageFolder m_folder;
    std::unique_ptr<vprinter::PageViewerWindow> m_window;
    bool m_pending = false;
};
