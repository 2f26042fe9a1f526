// A viewer of the virtual printer's sheets: one page at a time, fitted to the window or
// zoomed from 25 % to 800 %, with previous and next; a widget for the window that shows the
// printer. For the trainer it lays rulers along the page's top and left edges, in 1/360 and
// 1/720 inch as the zoom allows, and marks where the first line of a sheet belongs (the
// nominal top margin); they are the viewer's own and never part of the page or its file.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;

namespace vprinter {

class PageCanvas;
class RuledArea;

class PageViewer : public QWidget
{
    Q_OBJECT

public:
    // Zoom steps, in percent of the picture's own size.
    static constexpr int ZoomSteps[] = { 25, 50, 100, 200, 400, 800 };

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
    // A zoom step (100 for the picture's own size); fitting to the window ends.
    void setZoom(int percent);
    // The zoom in force, fitted or not.
    int zoomPercent() const;
    void zoomIn();
    void zoomOut();
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
    int m_zoom = 100; // when not fitted
    QImage m_image; // the page on show
    QPushButton *m_previous;
    QPushButton *m_next;
    QPushButton *m_fitButton;
    QPushButton *m_actualButton;
    QPushButton *m_zoomOut;
    QPushButton *m_zoomIn;
    QLabel *m_zoomLabel;
    QLabel *m_position;
    RuledArea *m_area;
    PageCanvas *m_canvas;
};

} // namespace vprinter
