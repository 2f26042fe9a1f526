// The ink display's shape control.
#include "status/InkShape.h"

#include <QPainter>

TInkShape::TInkShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TInkShape::setBrushColor(const QColor &colour)
{
    m_brush = colour;
    update();
}

void TInkShape::setPenColor(const QColor &colour)
{
    m_pen = colour;
    update();
}

void TInkShape::setPenWidth(int width)
{
    m_penWidth = width < 0 ? 0 : width;
    update();
}

void TInkShape::setHollow(bool hollow)
{
    m_hollow = hollow;
    update();
}

void TInkShape::setShapeHeight(int height)
{
    resize(width(), height < 0 ? 0 : height);
}

void TInkShape::paintEvent(QPaintEvent *)
{
    if (height() <= 0 || width() <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_penWidth > 0)
        painter.setPen(QPen(m_pen, m_penWidth));
    else
        painter.setPen(Qt::NoPen);
    painter.setBrush(m_hollow ? QBrush(Qt::NoBrush) : QBrush(m_brush));
    const qreal inset = m_penWidth / 2.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 4, 4);
}
