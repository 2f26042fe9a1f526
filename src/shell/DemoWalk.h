// A short scripted walk through the program on the virtual printer, for a machine without a
// screen of its own (make demo there): the buttons pressed as a technician presses them, and
// each window saved as a picture on the way.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QTimer;
class QWidget;
class VirtualPrinterWindow;

class DemoWalk : public QObject
{
    Q_OBJECT

public:
    // The pictures go to `directory`; the trainer's window is the one over the printer.
    DemoWalk(const QString &directory, VirtualPrinterWindow &trainer);

    // Starts the walk once the event loop runs. It ends with "Quit" in the continue dialog,
    // which ends the program.
    void start();
    // False when a picture could not be saved or a step found its control missing.
    bool succeeded() const { return !m_failed; }

    static constexpr int StepMs = 700;

private:
    void runNextStep();
    void save(QWidget *window, const QString &name);
    void saveScreen(const QString &name);
    // Message boxes open modal loops of their own: each one is saved and answered with its
    // default button from a timer that runs inside those loops.
    void answerBoxes();
    template<typename T = QWidget> T *control(QWidget *window, const char *name);
    void press(QWidget *window, const char *name);

    QString m_directory;
    QPointer<VirtualPrinterWindow> m_trainer;
    std::vector<std::function<void()>> m_steps;
    size_t m_next = 0;
    QTimer *m_boxTimer;
    std::vector<QPointer<QWidget>> m_answered;
    int m_boxes = 0;
    bool m_failed = false;
};
