// The sheets the in-process virtual printer prints: written as PNG files to a folder and
// handed on, picture and path, to whatever shows them (the virtual printer window).
#pragma once

#include "vprinter/qt/PagePng.h"

#include <QImage>
#include <QObject>
#include <QString>

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

    // Writes and hands on the sheets ejected so far. It runs from the event loop after an
    // ejection, so that the handler that printed is not held up by it.
    void flush();

signals:
    // A sheet came out: its file, or an empty path and in `note` why it was not written.
    void pagePrinted(const QString &path, const QImage &image, const QString &note);

private:
    vprinter::VirtualPrinter &m_printer;
    vprinter::PageFolder m_folder;
    bool m_pending = false;
};
