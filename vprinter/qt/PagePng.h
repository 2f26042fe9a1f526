// The virtual printer's sheets as images and PNG files, with Qt's image classes.
#pragma once

#include "vprinter/Page.h"

#include <QImage>
#include <QString>

namespace vprinter {

// The sheet's picture at 360 dots per inch, its resolution set for the file.
QImage pageImage(const Page &page);

// A folder of printed sheets, page-0001.png, page-0002.png and so on. Numbering goes on after
// the pages already in the folder, so a sheet of an earlier run is never overwritten.
class PageFolder
{
public:
    explicit PageFolder(QString directory) : m_directory(std::move(directory)) { }

    const QString &directory() const { return m_directory; }
    // Writes the picture as the next page file: its path, or an empty string and the reason.
    QString write(const QImage &image, QString *error = nullptr);

private:
    QString m_directory;
    int m_next = 0; // 0 until the folder has been looked at
};

} // namespace vprinter
