// The page viewer: a canvas that paints the page on show, scaled or 1:1, in a scroll area.
#include "vprinter/qt/PageViewer.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
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
    // The window's title says the same, so the label may be cut short in a narrow viewer.
    m_position->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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

QRect placeBeside(const QRect &program, const QRect &room, const QSize &size, int narrowest)
{
    constexpr int Gap = 8;
    const int rightRoom = room.right() - (program.right() + Gap);
    const int leftRoom = program.left() - Gap - room.left();
    int width = size.width();
    int x = 0;
    if (width <= rightRoom) {
        x = program.right() + Gap;
    } else if (width <= leftRoom) {
        x = program.left() - Gap - width;
    } else if (std::max(rightRoom, leftRoom) >= narrowest) {
        width = std::max(rightRoom, leftRoom);
        x = rightRoom >= leftRoom ? program.right() + Gap : program.left() - Gap - width;
    } else {
        x = std::max(room.left(), program.left() - width - Gap);
    }
    const int y = std::clamp(program.top(), room.top(),
                             std::max(room.top(), room.bottom() - size.height()));
    return { x, y, width, size.height() };
}

PageViewerWindow::PageViewerWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    m_viewer = new PageViewer(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_viewer);
    resize(520, 720);
    setWindowTitle(m_viewer->title());
    connect(m_viewer, &PageViewer::pageChanged, this,
            [this] { setWindowTitle(m_viewer->title()); });
}

void PageViewerWindow::addPage(const QString &path, const QImage &image, const QString &note)
{
    m_viewer->addPage(path, image, note);
    if (isVisible())
        return;
    m_handBackTo = QApplication::activeWindow();
    if (m_handBackTo && !m_placed) {
        // Beside the program's window, where there is room, so that neither hides the other.
        m_placed = true;
        const QRect program = m_handBackTo->frameGeometry();
        if (const QScreen *screen = m_handBackTo->screen()) {
            // Narrower than its buttons, or than this, a fitted sheet is too small to read.
            constexpr int Readable = 320;
            const QRect at = placeBeside(program, screen->availableGeometry(), size(),
                                         std::max(Readable, minimumSizeHint().width()));
            resize(at.size());
            move(at.topLeft());
        } else {
            move(program.right() + 8, program.top());
        }
    }
    m_shown.start();
    show();
}

void PageViewerWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !m_handBackTo)
        return;
    // Only the activation that comes with showing the window, not a later click on it.
    constexpr qint64 ShowingMs = 1000;
    if (m_shown.isValid() && m_shown.elapsed() < ShowingMs && m_handBackTo != this)
        m_handBackTo->activateWindow();
    m_handBackTo = nullptr;
}

} // namespace vprinter
