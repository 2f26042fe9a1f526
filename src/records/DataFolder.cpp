// The data folder and its file writes, on POSIX and Windows with the standard library and the
// C runtime's file calls only.
#include "records/DataFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace records {

namespace {

fs::path &folderOverride()
{
    static fs::path folder;
    return folder;
}

const char *variable(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::string systemError(int code)
{
    return std::strerror(code);
}

bool makeFolderFor(const fs::path &path, std::string &error)
{
    const fs::path folder = path.parent_path();
    if (folder.empty())
        return true;
    std::error_code failed;
    fs::create_directories(folder, failed);
    if (failed) {
        error = "cannot make the folder " + folder.string() + ": " + failed.message();
        return false;
    }
    return true;
}

#ifdef _WIN32
int openFile(const fs::path &path, int flags)
{
    return ::_wopen(path.c_str(), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int writeAll(int fd, const std::string &text)
{
    return ::_write(fd, text.data(), unsigned(text.size())) == int(text.size()) ? 0 : errno;
}
int flushToDisk(int fd)
{
    return ::_commit(fd) == 0 ? 0 : errno;
}
int closeFile(int fd)
{
    return ::_close(fd);
}
constexpr int CreateNew = _O_WRONLY | _O_CREAT | _O_TRUNC;
constexpr int AppendTo = _O_WRONLY | _O_CREAT | _O_APPEND;
#else
int openFile(const fs::path &path, int flags)
{
    return ::open(path.c_str(), flags | O_CLOEXEC, 0644);
}
int writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += size_t(n);
    }
    return 0;
}
int flushToDisk(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errno;
}
int closeFile(int fd)
{
    return ::close(fd);
}
constexpr int CreateNew = O_WRONLY | O_CREAT | O_TRUNC;
constexpr int AppendTo = O_WRONLY | O_CREAT | O_APPEND;
#endif

// The rename itself must reach the disk too, or a power cut can bring the old name back.
void flushFolder([[maybe_unused]] const fs::path &folder)
{
#ifndef _WIN32
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace

fs::path dataFolder()
{
    if (!folderOverride().empty())
        return folderOverride();
    if (const char *own = variable("CANTRA_DATA_DIR"))
        return fs::path(own);
#ifdef _WIN32
    if (const char *local = variable("LOCALAPPDATA"))
        return fs::path(local) / "cantra";
    if (const char *profile = variable("USERPROFILE"))
        return fs::path(profile) / "AppData" / "Local" / "cantra";
#else
    if (const char *xdg = variable("XDG_DATA_HOME"))
        return fs::path(xdg) / "cantra";
    if (const char *home = variable("HOME"))
        return fs::path(home) / ".local" / "share" / "cantra";
#endif
    return {};
}

std::string dataFolderOrigin()
{
    if (!folderOverride().empty())
        return "set by the program";
    if (variable("CANTRA_DATA_DIR"))
        return "CANTRA_DATA_DIR";
#ifdef _WIN32
    return variable("LOCALAPPDATA") ? "LOCALAPPDATA" : "USERPROFILE";
#else
    return variable("XDG_DATA_HOME") ? "XDG_DATA_HOME" : "HOME";
#endif
}

void setDataFolder(const fs::path &folder)
{
    folderOverride() = folder;
}

bool writeFileDurably(const fs::path &path, const std::string &text, std::string &error)
{
    if (!makeFolderFor(path, error))
        return false;
    fs::path temporary = path;
    temporary += ".part";
    const int fd = openFile(temporary, CreateNew);
    if (fd < 0) {
        error = "cannot write " + temporary.string() + ": " + systemError(errno);
        return false;
    }
    int failed = writeAll(fd, text);
    if (failed == 0)
        failed = flushToDisk(fd);
    if (closeFile(fd) != 0 && failed == 0)
        failed = errno;
    std::error_code ignored;
    if (failed != 0) {
        error = "cannot write " + temporary.string() + ": " + systemError(failed);
        fs::remove(temporary, ignored);
        return false;
    }
    std::error_code renamed;
    fs::rename(temporary, path, renamed);
    if (renamed) {
        error = "cannot write " + path.string() + ": " + renamed.message();
        fs::remove(temporary, ignored);
        return false;
    }
    flushFolder(path.parent_path());
    return true;
}

bool appendLine(const fs::path &path, const std::string &line, std::string &error)
{
    if (!makeFolderFor(path, error))
        return false;
    const int fd = openFile(path, AppendTo);
    if (fd < 0) {
        error = "cannot write " + path.string() + ": " + systemError(errno);
        return false;
    }
    int failed = writeAll(fd, line + "\n");
    if (closeFile(fd) != 0 && failed == 0)
        failed = errno;
    if (failed != 0) {
        error = "cannot write " + path.string() + ": " + systemError(failed);
        return false;
    }
    return true;
}

bool readFile(const fs::path &path, std::string &text, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string() + ": " + systemError(errno);
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

} // namespace records
