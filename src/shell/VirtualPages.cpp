// Sheets of the in-process virtual printer to files, and on to the window that shows them.
#include "shell/VirtualPages.h"

#include "vprinter/VirtualPrinter.h"

#include <QDir>
#include <QMetaObject>
#include <QTimer>

#include <cstdio>

VirtualPages::VirtualPages(vprinter::VirtualPrinter &printer, const QString &directory,
                           QObject *parent)
    : QObject(parent), m_printer(printer)
{
    m_writer = std::make_unique<vprinter::PageWriter>(
            directory, true, [this](vprinter::PageWriter::Written written) {
                bool first = false;
                {
                    std::lock_guard lock(m_mutex);
                    first = m_written.empty();
                    m_written.push_back(std::move(written));
                }
                if (first)
                    QMetaObject::invokeMethod(this, &VirtualPages::announce, Qt::QueuedConnection);
            });
    m_printer.raster().onPageEjected = [this] {
        if (m_pending)
            return;
        m_pending = true;
        QTimer::singleShot(0, this, &VirtualPages::flush);
    };
}

VirtualPages::~VirtualPages()
{
    m_printer.raster().onPageEjected = nullptr;
    flush(); // a sheet ejected as the program ends is written too
    m_writer.reset(); // writes what it holds; its reports are not announced any more
}

QString VirtualPages::defaultDirectory()
{
    return QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("cantra-virtual-pages"));
}

void VirtualPages::flush()
{
    m_pending = false;
    for (vprinter::Page &page : m_printer.takePages())
        m_writer->add(std::move(page));
}

void VirtualPages::settle()
{
    flush();
    m_writer->waitUntilWritten();
    announce();
}

void VirtualPages::announce()
{
    std::vector<vprinter::PageWriter::Written> written;
    {
        std::lock_guard lock(m_mutex);
        written.swap(m_written);
    }
    for (const vprinter::PageWriter::Written &page : written) {
        if (page.path.isEmpty())
            std::fprintf(stderr, "cantra-adjust: a printed page was not saved: %s\n",
                         page.error.toLocal8Bit().constData());
        emit pagePrinted(page.path, page.image, page.error);
    }
}
