// A viewer of the virtual printer's sheets: one page at a time, fitted to the window or at
// 100 %, with previous and next; a widget for the window that shows the printer.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;

namespace vprinter {

class PageCanvas;

class PageViewer : public QWidget
{
    Q_OBJECT

public:
    explicit PageViewer(QWidget *parent = nullptr);

    // A sheet came out: its file (empty when it could not be written, then `note` says why)
    // and its picture. The viewer turns to it.
    void addPage(const QString &path, const QImage &image, const QString &note = {});

    int pageCount() const { return int(m_pages.size()); }
    int currentIndex() const { return m_current; }
    QString currentPath() const;
    void showPage(int index);
    void showPrevious() { showPage(m_current - 1); }
    void showNext() { showPage(m_current + 1); }
    void setFitToWindow(bool fit);
    bool fitToWindow() const { return m_fit; }
    // "Page 2 of 3 - /tmp/cantra-virtual-pages/page-0002.png"
    QString title() const;
    const QImage &currentImage() const { return m_image; }

signals:
    void pageChanged();

private:
    struct Entry
    {
        QString path;
        QString note;
        QImage image; // kept only when there is no file to read it back from
    };
    void refresh();

    std::vector<Entry> m_pages;
    int m_current = -1;
    bool m_fit = true;
    QImage m_image; // the page on show
    QPushButton *m_previous;
    QPushButton *m_next;
    QPushButton *m_fitButton;
    QPushButton *m_actualButton;
    QLabel *m_position;
    QScrollArea *m_area;
    PageCanvas *m_canvas;
};

} // namespace vprinter
