// Scanning in tests through the real SANE library and its file-reading pnm backend: a folder
// with a SANE configuration that names only that backend, the image files it reads, and named
// pipes in their place to play a scanner that hangs or goes quiet halfway.
#pragma once

#include "scanner/Scanner.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Points SANE_CONFIG_DIR at a folder of the test process's own, before the first session: a
// session sees the pnm backend's two devices, "pnm:0" and "pnm:1", and no real scanner. The
// files to scan go to a folder of the bench's own.
class PnmBench
{
public:
    PnmBench();
    ~PnmBench();

    std::string path(const std::string &name) const;
    // Writes the file and returns its path.
    std::string write(const std::string &name, const std::string &bytes) const;
    // The backends the next session loads, one a line ("" for none); back to pnm when the
    // bench goes.
    void setBackends(const std::string &names) const;
    // A scan of `device` (pnm:0 by default) that reads `file`, with more settings.
    static scanner::ScanRequest request(const std::string &file, int dpi = 600,
                                        std::vector<std::pair<std::string, std::string>> more = {},
                                        const std::string &device = "pnm:0");

private:
    std::filesystem::path m_folder;
};

// Image files: binary PBM (a set bit is black), PGM and PPM.
std::string pbm(int width, int height, const std::vector<uint8_t> &grey);
std::string pgm(int width, int height, const std::vector<uint8_t> &grey, int maxValue = 255);
std::string ppm(int width, int height, const std::vector<uint8_t> &rgb);
// Colour as grey, with the weights of the scanner library: 0.299, 0.587 and 0.114.
std::vector<uint8_t> greyOf(const std::vector<uint8_t> &rgb);

// A named pipe no one writes to: the backend opening it waits until release() lets it see an
// empty file.
class StalledPipe
{
public:
    explicit StalledPipe(std::string path);
    ~StalledPipe();
    const std::string &path() const { return m_path; }
    // From now on every reader finds the pipe empty and closed.
    void release();

private:
    std::string m_path;
    std::atomic<bool> m_stop{ false };
    std::thread m_knocker;
};

// A named pipe that plays a grey scan the pnm backend reads: the header each time the backend
// opens the file for it, then `sentRows` rows of the image in pieces of `rowsAPiece`, `pause`
// apart, and then nothing, the pipe held open, until the object goes.
class TricklePipe
{
public:
    TricklePipe(std::string path, int width, int height, int rowsAPiece, int sentRows,
                std::chrono::milliseconds pause);
    ~TricklePipe();
    const std::string &path() const { return m_path; }

private:
    void run(std::string header, std::string data, size_t piece, size_t sent,
             std::chrono::milliseconds pause);
    int openWriter() const;
    bool send(int fd, const std::string &bytes) const;
    void drain(int fd) const;

    std::string m_path;
    std::atomic<bool> m_stop{ false };
    std::thread m_thread;
};

} // namespace testsupport
