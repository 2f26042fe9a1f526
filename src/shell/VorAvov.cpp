// The start window and the start of the printer link.
#include "shell/VorAvov.h"

#include "commands/Models.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "status/ZedOvovurEduvudo.h"
#include "ui_VorAvov.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

TFormBoot *FormBoot = nullptr;

namespace {

constexpr const char *PortNames[] = { "LPT1", "LPT2", "LPT3" };

} // namespace

TFormBoot::TFormBoot(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormBoot>())
{
    ui->setupUi(this);
    Label1 = ui->Label1;
    Label2 = ui->Label2;
    Panel1 = ui->Panel1;
    Panel2 = ui->Panel2;
    Panel3 = ui->Panel3;
    Panel4 = ui->Panel4;
    ModelNameCombo = ui->ModelNameCombo;
    UsePortCombo = ui->UsePortCombo;
    PortSelectOKBtn = ui->PortSelectOKBtn;
    ProEndBtn = ui->ProEndBtn;

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(615, 264);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Version1 = PopupMenu1->addAction("Version");
    Version1->setObjectName("Version1");

    // The lists start with no selection and an empty port list.
    ModelNameCombo->setCurrentIndex(-1);
    UsePortCombo->clear();

    connect(ModelNameCombo, &QComboBox::currentIndexChanged, this, &TFormBoot::SetUsePortName);
    connect(PortSelectOKBtn, &QPushButton::clicked, this, &TFormBoot::PortSelectOKBtnClick);
    connect(ProEndBtn, &QPushButton::clicked, this, &TFormBoot::ProEndBtnClick);
    connect(Version1, &QAction::triggered, this, &TFormBoot::Version1Click);
}

TFormBoot::~TFormBoot() = default;

void TFormBoot::FormShow()
{
    {
        const QSignalBlocker blocker(ModelNameCombo);
        ModelNameCombo->setCurrentIndex(-1);
    }
    UsePortCombo->setCurrentIndex(-1);
    PortSelectOKBtn->setEnabled(true);
    ProEndBtn->setEnabled(true);
}

void TFormBoot::SetUsePortName()
{
    UsePortCombo->clear();
    for (const char *name : PortNames)
        UsePortCombo->addItem(name);
    UsePortCombo->setCurrentIndex(-1);
}

uint16_t TFormBoot::GetModelCode() const
{
    if (m_modelOverride)
        return *m_modelOverride;
    return models::listed(ModelNameCombo->currentIndex()).code;
}

uint16_t TFormBoot::GetPortIndex() const
{
    const int row = UsePortCombo->currentIndex();
    return row == 1 || row == 2 ? uint16_t(row) : 0;
}

void TFormBoot::PortSelectOKBtnClick()
{
    platform::cursor().setBusy(true);
    if (ModelNameCombo->currentIndex() < 0 || UsePortCombo->currentIndex() < 0) {
        platform::cursor().setBusy(false);
        return;
    }

    const uint16_t code = GetModelCode();
    records::setModel(ModelNameCombo->currentText().toStdString(), code);
    const models::Model *model = models::find(code);
    FormAdjust->IndividualModelNameLbl->setText(model ? model->displayName : "");
    StatusMonitorWindow->setWindowTitle(QString::fromStdString(models::monitorCaption(code)));
    QStringList items;
    for (const std::string &item : models::adjustmentItems(code))
        items << QString::fromStdString(item);
    FormAdjust->SetAdjustmentItems(items);
    FormAdjust->USBIDGaideLabel->hide();
    FormAdjust->USBIDGaidePanel->hide();

    // A port that cannot be opened ends the program inside OpenPort.
    PrinterDriver.OpenPort(GetPortIndex());
    if (!D4Link.EnterD4Mode()) {
        PrinterStatus = psError;
        ErrorStatus = esCommunication;
        // The technician may press OK again or quit: leave a normal pointer for either, and
        // say why nothing happened.
        platform::cursor().setBusy(false);
        platform::showWarning("The printer does not answer. Check the cable, the port and the "
                              "printer's power, then press OK again.");
        return;
    }
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);

    FormAdjust->show();
    hide();

    D4Link.GetPrinterStatus();
    if (PrinterStatus != psReady) {
        StatusMonitorWindow->RequestStatus();
        return;
    }
    D4Link.OpenChannel(DataSocket);
    platform::cursor().setBusy(false);
}

void TFormBoot::ProEndBtnClick()
{
    close();
}

void TFormBoot::Version1Click()
{
    if (AboutBox)
        AboutBox->exec();
}

QPoint TFormBoot::PopupMenuPosition(int x, int y) const
{
    const QRect frame = frameGeometry();
    return QPoint(frame.left() + x + 3, frame.top() + y + 20);
}

void TFormBoot::FormMouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::RightButton)
        return;
    PopupMenu1->popup(PopupMenuPosition(x, y));
}

void TFormBoot::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not shown anew.
    if (!event->spontaneous())
        FormShow();
}

void TFormBoot::mouseReleaseEvent(QMouseEvent *event)
{
    // A release over a label, a panel or a list comes here too when that control does not
    // take it; only the window's own free surface answers.
    const QPoint at = event->position().toPoint();
    if (childAt(at))
        return;
    FormMouseUp(event->button(), at.x(), at.y());
}

void TFormBoot::keyPressEvent(QKeyEvent *event)
{
    if (!PressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void TFormBoot::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit programEnded();
    QCoreApplication::exit(0);
}

void TFormBoot::reject()
{
    ProEndBtnClick();
}
