// Sheets of the in-process virtual printer to files, and on to the window that shows them.
#include "shell/VirtualPages.h"

#include "vprinter/VirtualPrinter.h"

#include <QDir>
#include <QTimer>

#include <cstdio>

VirtualPages::VirtualPages(vprinter::VirtualPrinter &printer, const QString &directory,
                           QObject *parent)
    : QObject(parent), m_printer(printer), m_folder(directory)
{
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
}

QString VirtualPages::defaultDirectory()
{
    return QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("cantra-virtual-pages"));
}

void VirtualPages::flush()
{
    m_pending = false;
    for (const vprinter::Page &page : m_printer.takePages()) {
        const QImage image = vprinter::pageImage(page);
        QString error;
        const QString path = m_folder.write(image, &error);
        if (path.isEmpty())
            std::fprintf(stderr, "cantra-adjust: a printed page was not saved: %s\n",
                         error.toLocal8Bit().constData());
        emit pagePrinted(path, image, error);
    }
}
