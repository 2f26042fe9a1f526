// The workflow fixture: a connection made through the start window, and the clicks, choices
// and key strokes of the technician.
#include "WorkflowFixture.h"

#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace testsupport {

Workflow::Workflow() = default;

Workflow::~Workflow()
{
    platform.dialogs.whileShown = nullptr;
    printer.onTrace = nullptr;
}

void Workflow::connect(int modelRow, std::optional<uint16_t> code)
{
    FormBoot->OverrideModelCode(code);
    pickModelAndPort(modelRow, 0);
    FormBoot->PortSelectOKBtnClick();
    ASSERT_TRUE(FormAdjust->isVisible());
    printer.clearReceived();
    platform.dialogs.shown.clear();
    platform.cursor.changes.clear();
    platform.clock.sleeps.clear();
}

void Workflow::openItem(const char *list, int index)
{
    TRadioGroup *group = control<TRadioGroup>(list);
    if (group == FormAdjust->MentRdoGrp)
        FormAdjust->AdjustmentTab->setCurrentWidget(FormAdjust->TabSheet2);
    ASSERT_NE(group->button(index), nullptr) << list << " " << index;
    group->button(index)->click();
}

void Workflow::click(const char *button)
{
    QPushButton *found = control<QPushButton>(button);
    ASSERT_TRUE(found->isVisibleTo(FormAdjust)) << button << " is not on the shown panel";
    ASSERT_TRUE(found->isEnabled()) << button;
    found->click();
}

void Workflow::choose(const char *group, int index)
{
    control<TRadioGroup>(group)->setItemIndex(index);
}

void Workflow::type(const char *edit, const QString &text)
{
    QLineEdit *box = control<QLineEdit>(edit);
    box->clear();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &press);
    }
}

QString Workflow::text(const char *name) const
{
    QWidget *widget = control(name);
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    ADD_FAILURE() << name << " holds no text";
    return {};
}

QStringList Workflow::visiblePanels() const
{
    QStringList visible;
    for (const QString &name : TFormAdjust::PanelNames())
        if (FormAdjust->findChild<QWidget *>(name)->isVisibleTo(FormAdjust))
            visible << name;
    return visible;
}

QColor Workflow::memoColour() const
{
    return FormAdjust->StatusColour();
}

void Workflow::watchWhatIsSeen()
{
    printer.onTrace = [this](const std::string &line) {
        static const std::string status = "data on 2: \"st\"";
        static const std::string data = "data on 64: ";
        if (line.rfind(status, 0) == 0) {
            const QColor colour = memoColour();
            const char *name = colour == Black ? "black"
                    : colour == Blue           ? "blue"
                    : colour == Red            ? "red"
                                               : "other";
            log.push_back(std::string("st ") + name + (FormAdjust->isEnabled() ? "" : " disabled")
                          + ": " + memoText().toStdString());
        } else if (line.rfind(data, 0) == 0) {
            log.push_back(line.substr(data.size()));
        }
    };
}

bool Workflow::hasFocus(const char *name) const
{
    return FormAdjust->focusWidget() == control(name);
}

} // namespace testsupport
