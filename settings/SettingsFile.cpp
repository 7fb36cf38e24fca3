#include "settings/SettingsFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

QString systemError(const char* what, const QString& path, int error)
{
    return QStringLiteral("%1 %2: %3").arg(QString::fromLatin1(what), quoted(path), QString::fromLocal8Bit(std::strerror(error)));
}

QString notRegular(const QString& path, mode_t mode)
{
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "not a regular file";
    return QStringLiteral("Cannot use %1: it is %2, not a settings file").arg(quoted(path), QString::fromLatin1(kind));
}

// Closes the descriptor on every path out of read().
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::variant<std::vector<std::uint8_t>, QString> SettingsFile::read(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO with no writer cannot hang the window.
    const Descriptor file(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return systemError("Cannot open", path, errno);

    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return systemError("Cannot read", path, errno);
    if (!S_ISREG(status.st_mode))
        return notRegular(path, status.st_mode);

    // One byte more than an image, to tell a long file from a full one whatever its size says.
    std::vector<std::uint8_t> bytes(kImageSize + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError("Cannot read", path, errno);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > kImageSize) {
        // A size below what was read is stale (the file grew) or made up (/proc): no figure then.
        const QString size = status.st_size >= static_cast<off_t>(filled)
                                 ? QStringLiteral("%1 bytes").arg(status.st_size)
                                 : QStringLiteral("more than %1 bytes").arg(kImageSize);
        return QStringLiteral("Cannot load %1: it holds %2, and a settings file holds at most %3")
            .arg(quoted(path), size)
            .arg(kImageSize);
    }
    bytes.resize(filled);
    return bytes;
}

std::optional<QString> SettingsFile::write(const QString& path, const SettingsImage& image)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return notRegular(path, status.st_mode);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot save %1: %2").arg(quoted(path), file.errorString());
    const auto size = static_cast<qint64>(image.size());
    // The bytes sit in the file's buffer until a flush, and commit() would rename a short file over
    // the old one if the flush it does on its own failed (QTBUG-75077).
    errno = 0;
    if (file.write(reinterpret_cast<const char*>(image.data()), size) != size || !file.flush()) {
        // After a short write Qt has no reason of its own to give; the system's is still in errno.
        const int error = errno;
        const QString reason = error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : file.errorString();
        file.cancelWriting();
        return QStringLiteral("Cannot save %1: %2").arg(quoted(path), reason);
    }
    if (!file.commit())
        return QStringLiteral("Cannot save %1: %2").arg(quoted(path), file.errorString());
    return std::nullopt;
}
