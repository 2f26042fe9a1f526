// A plain shape control for the ink display: a rectangle with rounded corners drawn with a
// pen and a fill, the way a cartridge outline or an ink fill is shown.
#pragma once

#include <QColor>
#include <QWidget>

class TInkShape : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor)
    Q_PROPERTY(int penWidth READ penWidth WRITE setPenWidth)
    Q_PROPERTY(bool hollow READ hollow WRITE setHollow)

public:
    explicit TInkShape(QWidget *parent = nullptr);

    QColor brushColor() const { return m_brush; }
    void setBrushColor(const QColor &colour);
    QColor penColor() const { return m_pen; }
    void setPenColor(const QColor &colour);
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);
    // Only the outline is drawn.
    bool hollow() const { return m_hollow; }
    void setHollow(bool hollow);

    // The gauge: the height of the shape, its top staying in place.
    void setShapeHeight(int height);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush = Qt::white;
    QColor m_pen = Qt::black;
    int m_penWidth = 1;
    bool m_hollow = false;
};
