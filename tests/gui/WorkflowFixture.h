// A workflow test: the program's windows connected to the in-process virtual printer through
// the start window, with helpers to work the adjustment window as the technician does.
#pragma once

#include "ShellFixture.h"

#include "shell/RidAzidoz.h"
#include "support/PacketQuery.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

inline const QColor Black(0, 0, 0);
inline const QColor Blue(0, 0, 255);
inline const QColor Red(255, 0, 0);

class Workflow : public ShellFixture
{
protected:
    Workflow();
    ~Workflow() override;

    // Picks a model row and LPT1 and presses OK in the start window; `code` stands in for the
    // row's model code (a USB-capable one, say). The printer's record starts empty after it.
    void connect(int modelRow, std::optional<uint16_t> code = std::nullopt);
    // Clicks an item of the Adjustment ("AdjustRdoGrp") or Maintenance ("MentRdoGrp") list.
    void openItem(const char *list, int index);

    template<typename T = QWidget> T *control(const char *name) const
    {
        T *found = findControl<T>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char *button);
    // Sets a radio group's selection as the technician left it.
    void choose(const char *group, int index);
    // Empties an edit box and types the text into it key by key.
    void type(const char *edit, const QString &text);
    QString text(const char *control) const;
    QStringList visiblePanels() const;
    QColor memoColour() const;
    bool hasFocus(const char *control) const;

    // From now on `log` gets a line for every status request, saying what the technician saw
    // while it was asked ("st blue disabled: Cleaning the head now."), and the decoded line
    // of every data-channel packet ("FactoryCleaning(1: head cleaning)").
    void watchWhatIsSeen();
    std::vector<std::string> log;

    PacketQuery sent() const { return PacketQuery(printer); }
    std::vector<std::string> dialogTexts() const { return platform.dialogs.texts(); }

private:
    template<typename T> T *findControl(const char *name) const
    {
        return FormAdjust->findChild<T *>(QString::fromLatin1(name));
    }
};

} // namespace testsupport
