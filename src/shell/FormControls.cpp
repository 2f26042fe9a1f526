// Small controls the windows share: the radio group with an item index, the up-down arrows,
// the two-bevel panel and Enter on the focused button.
#include "shell/FormControls.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <qdrawutil.h>

#include <algorithm>

TRadioGroup::TRadioGroup(QWidget *parent) : QGroupBox(parent), m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        // The technician's click only counts when it changes the selection, as a click on
        // the item already chosen leaves the group as it is.
        if (id == m_clickedIndex)
            return;
        m_clickedIndex = id;
        emit itemClicked(id);
    });
}

void TRadioGroup::setItems(const QStringList &items)
{
    for (QRadioButton *button : std::as_const(m_buttons)) {
        m_group->removeButton(button);
        delete button;
    }
    m_buttons.clear();
    m_items.clear();
    m_clickedIndex = -1;
    for (const QString &item : items)
        addItem(item);
}

void TRadioGroup::addItem(const QString &item)
{
    auto *button = new QRadioButton(item, this);
    // Items added after the window has set its font would otherwise take the toolkit's default.
    button->setFont(font());
    const int index = int(m_buttons.size());
    button->setObjectName(objectName() + QStringLiteral("Item%1").arg(index));
    m_group->addButton(button, index);
    m_buttons.append(button);
    m_items.append(item);
    placeButtons();
    button->show();
}

int TRadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (index < 0 || index >= count()) {
        // An exclusive group never lets go of its last checked button by itself.
        if (QAbstractButton *checked = m_group->checkedButton()) {
            m_group->setExclusive(false);
            checked->setChecked(false);
            m_group->setExclusive(true);
        }
        m_clickedIndex = -1;
        return;
    }
    m_buttons[index]->setChecked(true);
    m_clickedIndex = index;
}

QRadioButton *TRadioGroup::button(int index) const
{
    return index >= 0 && index < count() ? m_buttons[index] : nullptr;
}

void TRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    placeButtons();
}

void TRadioGroup::placeButtons()
{
    // Items share the height below the caption evenly, one per row, as the group lays them.
    const int top = 18;
    const int available = height() - top - 4;
    const int rows = std::max(1, count());
    const int rowHeight = std::max(18, available / rows);
    for (int i = 0; i < count(); ++i)
        m_buttons[i]->setGeometry(10, top + i * rowHeight + (rowHeight - 18) / 2, width() - 16, 18);
}

TUpDown::TUpDown(QWidget *parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setObjectName(QStringLiteral("Up"));
    m_down->setObjectName(QStringLiteral("Down"));
    m_up->setFocusPolicy(Qt::NoFocus);
    m_down->setFocusPolicy(Qt::NoFocus);
    m_up->setAutoRepeat(true);
    m_down->setAutoRepeat(true);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void TUpDown::step(int delta)
{
    if (m_associate) {
        bool number = false;
        const int typed = m_associate->text().trimmed().toInt(&number);
        if (number)
            m_position = typed;
    }
    m_position = std::clamp(m_position + delta, m_minimum, m_maximum);
    if (m_associate)
        m_associate->setText(QString::number(m_position));
}

void TUpDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

TBevelPanel::TBevelPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    updateMargins();
}

void TBevelPanel::setBevelOuter(Bevel bevel)
{
    m_outer = bevel;
    updateMargins();
    update();
}

void TBevelPanel::setBevelInner(Bevel bevel)
{
    m_inner = bevel;
    updateMargins();
    update();
}

void TBevelPanel::updateMargins()
{
    const int width = (m_outer != None) + (m_inner != None);
    setContentsMargins(width, width, width, width);
}

void TBevelPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect edge = rect();
    for (const Bevel bevel : { m_outer, m_inner }) {
        if (bevel == None)
            continue;
        qDrawShadePanel(&painter, edge, palette(), bevel == Lowered, 1);
        edge.adjust(1, 1, -1, -1);
    }
}

bool PressFocusedButton(QWidget *window, const QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    auto *button = qobject_cast<QPushButton *>(window->focusWidget());
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    button->click();
    return true;
}
