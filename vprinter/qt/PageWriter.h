// The sheets' pictures made and written on a thread of their own, so that whoever ejects a
// sheet (the printer's serving loop, the program's event loop) never waits for its picture.
#pragma once

#include "vprinter/Page.h"
#include "vprinter/qt/PagePng.h"

#include <QImage>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vprinter {

class PageWriter
{
public:
    // Sheets waiting for their picture, at most; a printer holds a few in its memory too.
    static constexpr size_t Capacity = 4;

    // A sheet written: its file, or an empty path and the reason; its picture when asked for.
    struct Written
    {
        QString path;
        QString error;
        QImage image;
    };
    using OnWritten = std::function<void(Written)>;

    // `onWritten` is called on the writer's thread after each sheet, in the order given.
    PageWriter(QString directory, bool keepImages, OnWritten onWritten);
    // Every sheet handed over is written before it returns.
    ~PageWriter();
    PageWriter(const PageWriter &) = delete;
    PageWriter &operator=(const PageWriter &) = delete;

    const QString &directory() const { return m_folder.directory(); }
    // Whether a sheet handed over now is taken at once.
    bool hasRoom() const;
    // Hands a sheet over; while `Capacity` sheets wait, waits for one of them to be written.
    void add(Page page);
    // Waits until every sheet handed over has been written and reported.
    void waitUntilWritten();

private:
    void run();

    PageFolder m_folder; // used by the writer's thread only
    const bool m_keepImages;
    const OnWritten m_onWritten;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Page> m_queue;
    bool m_writing = false; // a sheet taken off the queue is being written
    bool m_stopping = false;
    std::thread m_thread; // last, so that it starts after everything it uses
};

} // namespace vprinter
