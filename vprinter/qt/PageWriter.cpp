// The writer's thread: takes sheets off a short queue, makes their pictures and files.
#include "vprinter/qt/PageWriter.h"

#include <utility>

namespace vprinter {

PageWriter::PageWriter(QString directory, bool keepImages, OnWritten onWritten)
    : m_folder(std::move(directory)), m_keepImages(keepImages), m_onWritten(std::move(onWritten)),
      m_thread([this] { run(); })
{ }

PageWriter::~PageWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool PageWriter::hasRoom() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size() < Capacity;
}

void PageWriter::add(Page page)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < Capacity; });
    m_queue.push_back(std::move(page));
    lock.unlock();
    m_changed.notify_all();
}

void PageWriter::waitUntilWritten()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

void PageWriter::run()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
        if (m_queue.empty())
            return; // stopping, and nothing left to write
        Page page = std::move(m_queue.front());
        m_queue.pop_front();
        m_writing = true;
        lock.unlock();
        m_changed.notify_all(); // room for one more

        Written written;
        const QImage image = pageImage(page);
        page = Page{}; // its dots are no longer needed while the file is written
        written.path = m_folder.write(image, &written.error);
        if (m_keepImages)
            written.image = image;
        if (m_onWritten)
            m_onWritten(std::move(written));

        lock.lock();
        m_writing = false;
        lock.unlock();
        m_changed.notify_all();
    }
}

} // namespace vprinter
