// The writer of sheet pictures on its own thread: a short queue that makes the giver wait only
// when full, files in the order given at 360 dpi, and nothing lost when it is stopped.
#include "vprinter/qt/PageWriter.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

TEST(PageWriter, TakesSheetsWhileBusyAndWritesThemAllInOrderBeforeItGoes)
{
    QTemporaryDir folder;
    std::mutex mutex;
    std::condition_variable changed;
    bool release = false;
    std::vector<QString> reported;
    constexpr int Sheets = 1 + int(vprinter::PageWriter::Capacity);
    {
        vprinter::PageWriter writer(folder.path(), false, [&](vprinter::PageWriter::Written w) {
            std::unique_lock lock(mutex);
            reported.push_back(w.path);
            changed.notify_all();
            // The first report holds the writer up until the test lets it go.
            changed.wait(lock, [&] { return release; });
        });
        for (int n = 1; n <= Sheets; ++n) {
            vprinter::Page page;
            page.put(vprinter::Ink::Black, 4 * n, n, 3); // a dot a sheet, to tell them apart
            EXPECT_TRUE(writer.hasRoom()) << n;
            writer.add(std::move(page));
            if (n == 1) {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !reported.empty(); });
            }
        }
        // One sheet is being written, the rest fill the queue.
        EXPECT_FALSE(writer.hasRoom());
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        changed.notify_all();
    }
    ASSERT_EQ(int(reported.size()), Sheets);
    for (int n = 1; n <= Sheets; ++n) {
        const QString path
                = QDir(folder.path())
                          .absoluteFilePath(QString("page-%1.png").arg(n, 4, 10, QChar('0')));
        EXPECT_EQ(reported[size_t(n - 1)], path);
        QImageReader reader(path);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << n;
        EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 360, 0.01);
        EXPECT_LT(qGray(image.pixel(n, n)), 64) << "sheet " << n << " in its own file";
    }
}

} // namespace
