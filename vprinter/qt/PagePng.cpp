// Pictures of printed sheets and the folder they are written to.
#include "vprinter/qt/PagePng.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>

namespace vprinter {

QImage pageImage(const Page &page)
{
    // The picture's bytes move into the image, which frees them itself.
    auto *picture = new PageImage(page.render());
    QImage image(
            picture->rgb.data(), picture->width, picture->height, picture->width * 3,
            QImage::Format_RGB888, [](void *p) { delete static_cast<PageImage *>(p); }, picture);
    // The resolution goes into the file (pHYs), so that a reader measures in inches.
    const int dotsPerMetre = int(PageImage::DotsPerInch / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

QString PageFolder::write(const QImage &image, QString *error)
{
    QDir folder(m_directory);
    if (!folder.mkpath(QStringLiteral("."))) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(m_directory);
        return {};
    }
    if (m_next == 0) {
        m_next = 1;
        static const QRegularExpression name(QStringLiteral("^page-(\\d{4,})\\.png$"));
        for (const QString &file :
             folder.entryList({ QStringLiteral("page-*.png") }, QDir::Files)) {
            const QRegularExpressionMatch match = name.match(file);
            if (match.hasMatch())
                m_next = std::max(m_next, match.captured(1).toInt() + 1);
        }
    }
    const QString path
            = folder.absoluteFilePath(QStringLiteral("page-%1.png").arg(m_next, 4, 10, QChar('0')));
    // Written beside its place and then put there, so that whoever watches the folder never
    // reads half a page.
    const QString partial = path + QStringLiteral(".partial");
    QImageWriter writer(partial, "png");
    if (!writer.write(image)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, writer.errorString());
        QFile::remove(partial);
        return {};
    }
    writer.setDevice(nullptr); // closes the file
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        QFile::remove(partial);
        return {};
    }
    ++m_next;
    return path;
}

} // namespace vprinter
