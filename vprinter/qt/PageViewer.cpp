// The page viewer: a canvas that paints the page on show, fitted or zoomed, in a scroll area
// whose top and left edges carry the trainer's rulers.
#include "vprinter/qt/PageViewer.h"

#include "vprinter/Page.h"
#include "vprinter/RasterInterpreter.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vprinter {

namespace {

// The rulers count in 1/360 inch from where the printer counts: across from the left edge of
// the printable area, down from the nominal top margin, the line a sheet's first line belongs
// on.
constexpr double RulerZeroAcross = double(RasterInterpreter::LeftMargin) / Page::CellsPerUnit;
constexpr double RulerZeroDown = RasterInterpreter::DefaultTopMargin;
// Ticks closer than this many screen pixels are left out, and labels closer than this.
constexpr double TickGap = 4;
constexpr double LabelGap = 40;

} // namespace

// Paints one image: fitted into its own size (kept in proportion, the scaled picture cached)
// or at a zoom, each pixel of the picture a square of screen pixels.
class PageCanvas : public QWidget
{
public:
    explicit PageCanvas(QWidget *parent) : QWidget(parent)
    {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(p);
    }

    void setImage(const QImage *image, bool fit, double zoom)
    {
        if (image != m_image || fit != m_fit)
            m_scaled = QPixmap();
        m_image = image;
        m_fit = fit;
        m_zoom = zoom;
        if (!fit && image)
            resize(int(std::ceil(image->width() * zoom)), int(std::ceil(image->height() * zoom)));
        QWidget::update();
    }
    const QImage *image() const { return m_image && !m_image->isNull() ? m_image : nullptr; }

    // Where the picture lies on the canvas.
    QRectF imageRect() const
    {
        if (!image())
            return {};
        if (!m_fit)
            return { 0, 0, m_image->width() * m_zoom, m_image->height() * m_zoom };
        const QSize size = m_image->size().scaled(this->size(), Qt::KeepAspectRatio);
        return QRectF((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                      size.height());
    }
    // Screen pixels per pixel of the picture.
    double scale() const { return image() ? imageRect().width() / m_image->width() : 1.0; }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (!image())
            return;
        QPainter painter(this);
        if (!m_fit) {
            // Only the part of the picture under the exposed area, in whole pixels.
            const QRect r = event->rect();
            const int x0 = std::max(0, int(std::floor(r.left() / m_zoom)));
            const int y0 = std::max(0, int(std::floor(r.top() / m_zoom)));
            const int x1 = std::min(m_image->width(), int(std::ceil((r.right() + 1) / m_zoom)));
            const int y1 = std::min(m_image->height(), int(std::ceil((r.bottom() + 1) / m_zoom)));
            if (x1 <= x0 || y1 <= y0)
                return;
            painter.setRenderHint(QPainter::SmoothPixmapTransform, m_zoom < 1);
            painter.drawImage(
                    QRectF(x0 * m_zoom, y0 * m_zoom, (x1 - x0) * m_zoom, (y1 - y0) * m_zoom),
                    *m_image, QRectF(x0, y0, x1 - x0, y1 - y0));
            return;
        }
        const QRect at = imageRect().toRect();
        if (at.isEmpty())
            return;
        if (m_scaled.size() != at.size())
            m_scaled = QPixmap::fromImage(
                    m_image->scaled(at.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        painter.drawPixmap(at.topLeft(), m_scaled);
    }

private:
    const QImage *m_image = nullptr;
    bool m_fit = true;
    double m_zoom = 1;
    QPixmap m_scaled;
};

// A ruler along one edge of the view, its ticks where the page's inches are on screen: every
// 1/720 and 1/360 inch when the zoom lets them stand apart, coarser steps when it does not,
// numbered in 1/360 inch. The left one marks the nominal top margin in red.
class PageRuler : public QWidget
{
public:
    static constexpr int Thickness = 26;

    PageRuler(Qt::Orientation orientation, const PageCanvas &canvas, QWidget *area)
        : QWidget(area), m_orientation(orientation), m_canvas(canvas), m_area(area)
    {
        const bool across = orientation == Qt::Horizontal;
        setObjectName(across ? QStringLiteral("PageTopRuler") : QStringLiteral("PageLeftRuler"));
        setToolTip(across ? tr("1/360 inch from the left edge of the printable area; short "
                               "ticks every 1/720 inch when zoomed in")
                          : tr("1/360 inch below the nominal top margin (red), where a sheet's "
                               "first line belongs; short ticks every 1/720 inch when zoomed in"));
        QFont small = font();
        small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
        setFont(small);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(236, 236, 236));
        const bool across = m_orientation == Qt::Horizontal;
        painter.setPen(QColor(160, 160, 160));
        if (across)
            painter.drawLine(0, height() - 1, width(), height() - 1);
        else
            painter.drawLine(width() - 1, 0, width() - 1, height());
        const QImage *image = m_canvas.image();
        if (!image)
            return;
        // Pixels of the picture per 1/360 inch, from its own resolution (360 dpi when unset);
        // a file holds it in whole dots per metre, which a whole dot per inch undoes.
        const int dpm = across ? image->dotsPerMeterX() : image->dotsPerMeterY();
        const double perUnit = dpm > 0 ? std::max(1.0, std::round(dpm * 0.0254)) / 360 : 1.0;
        const double unit = m_canvas.scale() * perUnit; // screen pixels per 1/360 inch
        const QPointF corner = mapFrom(
                m_area, QPointF(m_canvas.mapTo(m_area, m_canvas.imageRect().topLeft().toPoint())));
        const double zero = (across ? corner.x() : corner.y())
                + (across ? RulerZeroAcross : RulerZeroDown) * unit;
        const int length = across ? width() : height();

        // Steps in 1/720 inch: the finest that keeps ticks, and labels, apart.
        static constexpr int Steps[] = { 1, 2, 10, 20, 100, 200, 1000, 2000 };
        const double half = unit / 2; // screen pixels per 1/720 inch
        int tick = Steps[std::size(Steps) - 1], label = tick;
        for (auto s = std::rbegin(Steps); s != std::rend(Steps); ++s) {
            if (*s * half >= TickGap)
                tick = *s;
            if (*s % 2 == 0 && *s * half >= LabelGap)
                label = *s;
        }
        if (label % tick != 0)
            label = tick * int(std::ceil(double(label) / tick));

        if (!across) {
            // The nominal top margin: a red band, beside its number, over the first row that
            // belongs under it.
            painter.fillRect(QRectF(width() - 13, zero, 12, std::max(2.0, unit)),
                             QColor(220, 0, 0));
        }
        const int first = int(std::floor((0 - zero) / half / tick)) * tick;
        const int last = int(std::ceil((length - zero) / half));
        painter.setPen(QColor(40, 40, 40));
        for (int k = first; k <= last; k += tick) {
            const double at = zero + k * half;
            const bool labelled = k % label == 0;
            const int size = labelled ? Thickness - 2 : (k % 2 == 0 && tick == 1 ? 9 : 5);
            const double pos = std::round(at) + 0.5;
            if (across)
                painter.drawLine(QPointF(pos, height() - size), QPointF(pos, height() - 1));
            else
                painter.drawLine(QPointF(width() - size, pos), QPointF(width() - 1, pos));
            if (!labelled)
                continue;
            const QString number = QString::number(k / 2);
            if (across)
                painter.drawText(QPointF(pos + 3, 11), number);
            else
                painter.drawText(QRectF(1, pos + 1, width() - 4, 12), Qt::AlignLeft | Qt::AlignTop,
                                 number);
        }
    }

private:
    Qt::Orientation m_orientation;
    const PageCanvas &m_canvas;
    QWidget *m_area;
};

// The scroll area with the rulers in its margins, above and left of the view; they are drawn
// again whenever the canvas moves, changes size or is painted.
class RuledArea : public QScrollArea
{
public:
    explicit RuledArea(QWidget *parent) : QScrollArea(parent)
    {
        setAlignment(Qt::AlignCenter);
        m_canvas = new PageCanvas(this);
        setWidget(m_canvas);
        setWidgetResizable(true);
        m_top = new PageRuler(Qt::Horizontal, *m_canvas, this);
        m_left = new PageRuler(Qt::Vertical, *m_canvas, this);
        setViewportMargins(PageRuler::Thickness, PageRuler::Thickness, 0, 0);
        m_canvas->installEventFilter(this);
    }
    PageCanvas *canvas() const { return m_canvas; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QScrollArea::resizeEvent(event);
        const QRect view = viewport()->geometry();
        m_top->setGeometry(view.left(), view.top() - PageRuler::Thickness, view.width(),
                           PageRuler::Thickness);
        m_left->setGeometry(view.left() - PageRuler::Thickness, view.top(), PageRuler::Thickness,
                            view.height());
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_canvas
            && (event->type() == QEvent::Move || event->type() == QEvent::Resize
                || event->type() == QEvent::Paint)) {
            m_top->update();
            m_left->update();
        }
        return QScrollArea::eventFilter(watched, event);
    }

private:
    PageCanvas *m_canvas;
    PageRuler *m_top;
    PageRuler *m_left;
};

PageViewer::PageViewer(QWidget *parent) : QWidget(parent)
{
    m_previous = new QPushButton(tr("Previous"), this);
    m_next = new QPushButton(tr("Next"), this);
    m_fitButton = new QPushButton(tr("Fit to window"), this);
    m_actualButton = new QPushButton(tr("100 %"), this);
    m_zoomOut = new QPushButton(tr("-"), this);
    m_zoomIn = new QPushButton(tr("+"), this);
    m_zoomLabel = new QLabel(this);
    m_position = new QLabel(this);
    m_previous->setObjectName(QStringLiteral("PagePreviousBtn"));
    m_next->setObjectName(QStringLiteral("PageNextBtn"));
    m_fitButton->setObjectName(QStringLiteral("PageFitBtn"));
    m_actualButton->setObjectName(QStringLiteral("PageActualBtn"));
    m_zoomOut->setObjectName(QStringLiteral("PageZoomOutBtn"));
    m_zoomIn->setObjectName(QStringLiteral("PageZoomInBtn"));
    m_zoomLabel->setObjectName(QStringLiteral("PageZoomLbl"));
    m_position->setObjectName(QStringLiteral("PagePositionLbl"));
    m_zoomOut->setToolTip(tr("Zoom out"));
    m_zoomIn->setToolTip(tr("Zoom in, up to 800 %"));
    for (QPushButton *button :
         { m_previous, m_next, m_fitButton, m_actualButton, m_zoomOut, m_zoomIn })
        button->setFocusPolicy(Qt::NoFocus);
    for (QPushButton *button : { m_zoomOut, m_zoomIn })
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8);
    m_zoomLabel->setMinimumWidth(
            m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("800 %")) + 4);
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    m_fitButton->setCheckable(true);
    m_actualButton->setCheckable(true);
    m_fitButton->setChecked(true);

    m_area = new RuledArea(this);
    m_canvas = m_area->canvas();

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_previous);
    bar->addWidget(m_next);
    bar->addWidget(m_position, 1);
    bar->addWidget(m_fitButton);
    bar->addWidget(m_actualButton);
    bar->addWidget(m_zoomOut);
    bar->addWidget(m_zoomLabel);
    bar->addWidget(m_zoomIn);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_area, 1);

    connect(m_previous, &QPushButton::clicked, this, &PageViewer::showPrevious);
    connect(m_next, &QPushButton::clicked, this, &PageViewer::showNext);
    connect(m_fitButton, &QPushButton::clicked, this, [this] { setFitToWindow(true); });
    connect(m_actualButton, &QPushButton::clicked, this, [this] { setZoom(100); });
    connect(m_zoomOut, &QPushButton::clicked, this, &PageViewer::zoomOut);
    connect(m_zoomIn, &QPushButton::clicked, this, &PageViewer::zoomIn);
    refresh();
}

void PageViewer::addPage(const QString &path, const QImage &image, const QString &note)
{
    m_pages.push_back({ path, note, path.isEmpty() ? image : QImage() });
    m_current = int(m_pages.size()) - 1;
    m_image = image;
    refresh();
}

QString PageViewer::currentPath() const
{
    return m_current < 0 ? QString() : m_pages[size_t(m_current)].path;
}

void PageViewer::showPage(int index)
{
    if (index < 0 || index >= pageCount() || index == m_current)
        return;
    m_current = index;
    const Entry &entry = m_pages[size_t(index)];
    // Only the page on show is held in memory; the others are read back from their files.
    m_image = entry.path.isEmpty() ? entry.image : QImage(entry.path);
    refresh();
}

void PageViewer::setFitToWindow(bool fit)
{
    m_fit = fit;
    refresh();
}

void PageViewer::setZoom(int percent)
{
    if (std::find(std::begin(ZoomSteps), std::end(ZoomSteps), percent) == std::end(ZoomSteps))
        return;
    // The point of the page in the middle of the view stays there.
    QWidget *view = m_area->viewport();
    const QRectF before = m_canvas->imageRect();
    const QPointF middle = m_canvas->mapFrom(view, view->rect().center()) - before.topLeft();
    const double oldScale = m_canvas->scale();
    m_fit = false;
    m_zoom = percent;
    refresh();
    if (before.isEmpty())
        return;
    const double ratio = m_zoom / 100.0 / oldScale;
    m_area->horizontalScrollBar()->setValue(int(middle.x() * ratio - view->width() / 2));
    m_area->verticalScrollBar()->setValue(int(middle.y() * ratio - view->height() / 2));
}

int PageViewer::zoomPercent() const
{
    return m_fit ? int(std::lround(m_canvas->scale() * 100)) : m_zoom;
}

void PageViewer::zoomIn()
{
    const int now = zoomPercent();
    for (const int step : ZoomSteps)
        if (step > now) {
            setZoom(step);
            return;
        }
}

void PageViewer::zoomOut()
{
    const int now = zoomPercent();
    for (auto step = std::rbegin(ZoomSteps); step != std::rend(ZoomSteps); ++step)
        if (*step < now) {
            setZoom(*step);
            return;
        }
}

QString PageViewer::title() const
{
    if (m_current < 0)
        return tr("No page printed yet");
    const Entry &entry = m_pages[size_t(m_current)];
    const QString where = entry.path.isEmpty() ? tr("not saved: %1").arg(entry.note) : entry.path;
    return tr("Page %1 of %2 - %3").arg(m_current + 1).arg(pageCount()).arg(where);
}

void PageViewer::refresh()
{
    m_previous->setEnabled(m_current > 0);
    m_next->setEnabled(m_current + 1 < pageCount());
    m_fitButton->setChecked(m_fit);
    m_actualButton->setChecked(!m_fit && m_zoom == 100);
    m_position->setText(m_current < 0 ? tr("No page printed yet")
                                      : tr("Page %1 of %2").arg(m_current + 1).arg(pageCount()));
    m_area->setWidgetResizable(m_fit);
    m_canvas->setImage(m_image.isNull() ? nullptr : &m_image, m_fit, m_zoom / 100.0);
    m_zoomIn->setEnabled(zoomPercent() < ZoomSteps[std::size(ZoomSteps) - 1]);
    m_zoomOut->setEnabled(zoomPercent() > ZoomSteps[0]);
    m_zoomLabel->setText(tr("%1 %").arg(zoomPercent()));
    emit pageChanged();
}

} // namespace vprinter
