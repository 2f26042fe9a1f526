// The program's clock in --virtual-printer mode. While a handler of the program waits (the
// pause before each read, a status poll, the wait after a reset), the virtual printer window
// takes the trainer's clicks and repaints, so that a trainer can give a paper jam in the
// middle of a job; the program's own windows take no input meanwhile, as during any handler.
#pragma once

#include "platform/Platform.h"

#include <QPointer>
#include <QWidget>

class TrainerClock : public platform::Clock
{
public:
    // Waits on `inner`; `window` is the one window that takes input during a wait.
    TrainerClock(platform::Clock &inner, QWidget &window);

    void sleep(uint32_t ms) override;
    int64_t seconds() override { return m_inner.seconds(); }
    int64_t monotonicMs() override { return m_inner.monotonicMs(); }
    platform::LocalTime localTime() override { return m_inner.localTime(); }

    // How often a wait looks for the trainer's input.
    static constexpr uint32_t SliceMs = 20;

private:
    platform::Clock &m_inner;
    QPointer<QWidget> m_window;
    bool m_waiting = false;
};
