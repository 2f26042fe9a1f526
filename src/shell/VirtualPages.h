// The sheets the in-process virtual printer prints: written as PNG files to a folder, on a
// thread of their own, and handed on, picture and path, to whatever shows them (the virtual
// printer window).
#pragma once

#include "vprinter/qt/PageWriter.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace vprinter {
class VirtualPrinter;
}

class VirtualPages : public QObject
{
    Q_OBJECT

public:
    VirtualPages(vprinter::VirtualPrinter &printer, const QString &directory,
                 QObject *parent = nullptr);
    // Every sheet the printer has ejected is written first.
    ~VirtualPages() override;

    // "cantra-virtual-pages" in the system's temporary folder.
    static QString defaultDirectory();
    const QString &directory() const { return m_writer->directory(); }

    // Hands the sheets ejected so far to the writer. It runs from the event loop after an
    // ejection, so that the handler that printed is not held up by it; the pictures are made
    // meanwhile and announced from the event loop as each is written.
    void flush();
    // Hands over what the printer holds, waits for every picture and announces them all now:
    // for a caller that needs the files at once (and for tests).
    void settle();

signals:
    // A sheet came out: its file, or an empty path and in `note` why it was not written.
    void pagePrinted(const QString &path, const QImage &image, const QString &note);

private:
    // Announces the sheets written so far, in their order.
    void announce();

    vprinter::VirtualPrinter &m_printer;
    bool m_pending = false;
    std::mutex m_mutex;
    std::vector<vprinter::PageWriter::Written> m_written; // by the writer, not yet announced
    std::unique_ptr<vprinter::PageWriter> m_writer;
};
