// The page viewer: a canvas that paints the page on show, scaled or 1:1, in a scroll area.
#include "vprinter/qt/PageViewer.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace vprinter {

// Paints one image: fitted into its own size (kept in proportion, the scaled picture cached)
// or at its natural size.
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

    void setImage(const QImage *image, bool fit)
    {
        m_image = image;
        m_fit = fit;
        m_scaled = QPixmap();
        if (!fit && image)
            resize(image->size());
        QWidget::update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (!m_image || m_image->isNull())
            return;
        QPainter painter(this);
        if (!m_fit) {
            painter.drawImage(event->rect(), *m_image, event->rect());
            return;
        }
        const QSize size = m_image->size().scaled(this->size(), Qt::KeepAspectRatio);
        if (size.isEmpty())
            return;
        if (m_scaled.size() != size)
            m_scaled = QPixmap::fromImage(
                    m_image->scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        painter.drawPixmap((width() - size.width()) / 2, (height() - size.height()) / 2, m_scaled);
    }

private:
    const QImage *m_image = nullptr;
    bool m_fit = true;
    QPixmap m_scaled;
};

PageViewer::PageViewer(QWidget *parent) : QWidget(parent)
{
    m_previous = new QPushButton(tr("Previous"), this);
    m_next = new QPushButton(tr("Next"), this);
    m_fitButton = new QPushButton(tr("Fit to window"), this);
    m_actualButton = new QPushButton(tr("100 %"), this);
    m_position = new QLabel(this);
    m_previous->setObjectName(QStringLiteral("PagePreviousBtn"));
    m_next->setObjectName(QStringLiteral("PageNextBtn"));
    m_fitButton->setObjectName(QStringLiteral("PageFitBtn"));
    m_actualButton->setObjectName(QStringLiteral("PageActualBtn"));
    m_position->setObjectName(QStringLiteral("PagePositionLbl"));
    for (QPushButton *button : { m_previous, m_next, m_fitButton, m_actualButton })
        button->setFocusPolicy(Qt::NoFocus);
    m_fitButton->setCheckable(true);
    m_actualButton->setCheckable(true);
    auto *zoom = new QButtonGroup(this);
    zoom->addButton(m_fitButton);
    zoom->addButton(m_actualButton);
    m_fitButton->setChecked(true);

    m_area = new QScrollArea(this);
    m_area->setAlignment(Qt::AlignCenter);
    m_canvas = new PageCanvas(m_area);
    m_area->setWidget(m_canvas);
    m_area->setWidgetResizable(true);

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_previous);
    bar->addWidget(m_next);
    bar->addWidget(m_position, 1);
    bar->addWidget(m_fitButton);
    bar->addWidget(m_actualButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_area, 1);

    connect(m_previous, &QPushButton::clicked, this, &PageViewer::showPrevious);
    connect(m_next, &QPushButton::clicked, this, &PageViewer::showNext);
    connect(m_fitButton, &QPushButton::clicked, this, [this] { setFitToWindow(true); });
    connect(m_actualButton, &QPushButton::clicked, this, [this] { setFitToWindow(false); });
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
    m_actualButton->setChecked(!m_fit);
    m_position->setText(m_current < 0 ? tr("No page printed yet")
                                      : tr("Page %1 of %2").arg(m_current + 1).arg(pageCount()));
    m_area->setWidgetResizable(m_fit);
    m_canvas->setImage(m_image.isNull() ? nullptr : &m_image, m_fit);
    emit pageChanged();
}

} // namespace vprinter
