// The window fixture: windows created once per test run, reset for each test.
#include "ShellFixture.h"

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

ShellFixture::ShellFixture()
{
    CreateWindows();
    for (QWidget *window : std::initializer_list<QWidget *>{ FormAdjust, FormQuit, AboutBox,
                                                             StatusMonitorWindow, FormBoot })
        window->hide();
    FormBoot->OverrideModelCode(std::nullopt);
    FormAdjust->ModelCodeSource = [] { return FormBoot->GetModelCode(); };
    FormAdjust->PrinterErrorMode = false;
    FormAdjust->MentRdoGrp->setEnabled(true);
    FormAdjust->A4patRdoBtn->setEnabled(true);
    FormAdjust->SetTabSheet1Caption("Adjustment");
    FormAdjust->AdjustRdoGrp->setTitle("Adjustment items");
    FormAdjust->AdjustRdoGrp->clearItems();
    FormAdjust->ResetWorkArea(false, false);
    // As at program start: no selection, no ports listed until a model is picked.
    FormBoot->show();
    FormBoot->UsePortCombo->clear();
    StatusMonitorWindow->ResetMonitor(0);
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
    int count = 0;
    for (const vprinter::Packet &packet : printer.received())
        count += packet.kind == vprinter::Packet::Kind::Channel && packet.socket == ControlSocket
                && packet.payload.size() >= 2 && packet.payload[0] == 's'
                && packet.payload[1] == 't';
    return count;
}

} // namespace testsupport
