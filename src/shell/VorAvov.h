// The start window: the technician picks model and port, and OK brings the printer into
// packet mode and hands over to the adjustment window. It is the main window.
#pragma once

#include <QDialog>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace Ui {
class TFormBoot;
}

class TFormBoot : public QDialog
{
    Q_OBJECT

public:
    explicit TFormBoot(QWidget *parent = nullptr);
    ~TFormBoot() override;

    void FormShow();
    void SetUsePortName();
    // The code of the selected model row (770, 772, 774 or 776); 770 with no selection.
    uint16_t GetModelCode() const;
    // The selected port row: 0 "LPT1", 1 "LPT2", 2 "LPT3" (0 with no selection).
    uint16_t GetPortIndex() const;
    void PortSelectOKBtnClick();
    void ProEndBtnClick();
    void Version1Click();
    void FormMouseUp(Qt::MouseButton button, int x, int y);
    // Where FormMouseUp opens the pop-up menu for a release at client point (x, y).
    QPoint PopupMenuPosition(int x, int y) const;

    // The list offers only parallel-only models; this makes GetModelCode answer any code of
    // the family (a USB-capable one, say) until cleared, so every window can be run with it.
    void OverrideModelCode(std::optional<uint16_t> code) { m_modelOverride = code; }

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Panel1;
    QLabel *Panel2;
    QFrame *Panel3;
    QFrame *Panel4;
    QComboBox *ModelNameCombo;
    QComboBox *UsePortCombo;
    QPushButton *PortSelectOKBtn;
    QPushButton *ProEndBtn;
    QMenu *PopupMenu1;
    QAction *Version1;

signals:
    // The main window has closed: the program ends.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    std::unique_ptr<Ui::TFormBoot> ui;
    std::optional<uint16_t> m_modelOverride;
};

extern TFormBoot *FormBoot;
