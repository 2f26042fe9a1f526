// The window fixture: the program's windows made afresh for every test.
#include "ShellFixture.h"

#include "support/PacketQuery.h"

#include "link/Roro4dodu.h"
#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "shell/VorAvov.h"
#include "shell/Windows.h"
#include "status/ZedOvovurEduvudo.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace testsupport {

void freshWindows()
{
    delete StatusMonitorWindow;
    StatusMonitorWindow = nullptr;
    delete AboutBox;
    AboutBox = nullptr;
    delete FormQuit;
    FormQuit = nullptr;
    delete FormAdjust;
    FormAdjust = nullptr;
    delete FormBoot;
    FormBoot = nullptr;
    CreateWindows();
    FormBoot->show();
}

QStringList qt(const std::vector<std::string> &items)
{
    QStringList list;
    for (const std::string &item : items)
        list << QString::fromStdString(item);
    return list;
}

ShellFixture::ShellFixture()
{
    freshWindows();
    platform.cursor.changes.clear();
}

ShellFixture::~ShellFixture()
{
    for (QWidget *window : std::initializer_list<QWidget *>{ FormAdjust, FormQuit, AboutBox,
                                                             StatusMonitorWindow, FormBoot })
        window->hide();
}

void ShellFixture::pickModelAndPort(int modelRow, int portRow)
{
    FormBoot->ModelNameCombo->setCurrentIndex(modelRow);
    FormBoot->UsePortCombo->setCurrentIndex(portRow);
}

QString ShellFixture::memoText() const
{
    return FormAdjust->StatusMemo->toPlainText();
}

std::vector<std::string> ShellFixture::memoLines() const
{
    std::vector<std::string> lines;
    const QString text = memoText();
    if (text.isEmpty())
        return lines;
    for (const QString &line : text.split('\n'))
        lines.push_back(line.toStdString());
    return lines;
}

int ShellFixture::statusRequests() const
{
    return PacketQuery(printer).statusRequests();
}

} // namespace testsupport
