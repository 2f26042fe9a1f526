// Small controls the windows share: a radio group that knows its item index (with "none
// selected" as -1), an up-down pair of arrows that steps the number in an edit box, a panel
// with an outer and an inner bevel, and Enter on the focused button.
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QList>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QKeyEvent;
class QLineEdit;
class QRadioButton;
class QToolButton;

class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit TRadioGroup(QWidget *parent = nullptr);

    QStringList items() const { return m_items; }
    // Rebuilds the buttons; the selection becomes none.
    void setItems(const QStringList &items);
    void clearItems() { setItems({}); }
    void addItem(const QString &item);
    int count() const { return int(m_items.size()); }

    // -1 when no item is selected. Setting it never emits itemClicked.
    int itemIndex() const;
    void setItemIndex(int index);

    // The button of an item, nullptr outside 0..count()-1.
    QRadioButton *button(int index) const;

signals:
    // The technician selected another item (a click on the selected one does nothing).
    void itemClicked(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButtons();

    QStringList m_items;
    QList<QRadioButton *> m_buttons;
    QButtonGroup *m_group;
    int m_clickedIndex = -1;
};

class TUpDown : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)

public:
    explicit TUpDown(QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setMinimum(int value) { m_minimum = value; }
    void setMaximum(int value) { m_maximum = value; }
    // The edit box whose number the arrows step.
    void setAssociate(QLineEdit *edit) { m_associate = edit; }
    QLineEdit *associate() const { return m_associate; }

    // One step up (+1) or down (-1) from the number in the edit box, kept in range; a text
    // that is no number steps from the last position.
    void step(int delta);
    int position() const { return m_position; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
    QLineEdit *m_associate = nullptr;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
};

// A panel framed by two bevels, the outer one round the inner one, each lowered, raised or
// absent.
class TBevelPanel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(Bevel bevelOuter READ bevelOuter WRITE setBevelOuter)
    Q_PROPERTY(Bevel bevelInner READ bevelInner WRITE setBevelInner)

public:
    enum Bevel { None, Lowered, Raised };
    Q_ENUM(Bevel)

    explicit TBevelPanel(QWidget *parent = nullptr);

    Bevel bevelOuter() const { return m_outer; }
    Bevel bevelInner() const { return m_inner; }
    void setBevelOuter(Bevel bevel);
    void setBevelInner(Bevel bevel);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateMargins();

    Bevel m_outer = Raised;
    Bevel m_inner = None;
};

// Enter with the focus on a push button presses that button, as the desktop convention has
// it: a window's default button takes Enter only while no other button has the focus. True
// when the key was taken.
bool PressFocusedButton(QWidget *window, const QKeyEvent *event);
