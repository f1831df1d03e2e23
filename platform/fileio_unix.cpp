// The file layer on POSIX systems (Linux, the BSDs, macOS).
#include "platform/fileio_p.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

using Kind = FileError::Kind;
using detail::kTemporaryNameAttempts;
using detail::resolvedTarget;
using detail::temporaryName;

FileError fromSystem(int code)
{
    FileError e;
    e.systemMessage = qt_error_string(code);
    switch (code) {
    case EACCES:
    case EPERM:
        e.kind = Kind::AccessDenied;
        break;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        e.kind = Kind::DiskFull;
        break;
    case EISDIR:
        e.kind = Kind::IsDirectory;
        break;
    case ENOENT:
    case ENOTDIR:
        e.kind = Kind::NotFound;
        break;
    case EROFS:
        e.kind = Kind::ReadOnlyMedia;
        break;
    case EBUSY:
    case ETXTBSY:
        e.kind = Kind::InUse;
        break;
    case ENAMETOOLONG:
        e.kind = Kind::NameTooLong;
        break;
    case EIO:
        e.kind = Kind::DeviceError;
        break;
    default:
        e.kind = Kind::Other;
        break;
    }
    return e;
}

FileError lastError()
{
    return fromSystem(errno);
}

int openNative(const QString &path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, QByteArrayView data)
{
    const char *p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool flushToDisk(int fd)
{
#ifdef Q_OS_DARWIN
    // fsync() on macOS leaves the data in the drive's cache.
    if (::fcntl(fd, F_FULLFSYNC) == 0)
        return true;
#endif
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// Whether `path` still names the file open as `fd`.
bool sameFile(int fd, const QString &path)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
           && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the file's
// contents are on the disk already, so that is no reason to fail.
void flushDirectory(const QString &dir)
{
    const int fd = openNative(dir, O_RDONLY);
    if (fd < 0)
        return;
    flushToDisk(fd);
    ::close(fd);
}

}  // namespace

FileError createIfMissing(const QString &path)
{
    const int fd = openNative(path, O_WRONLY | O_CREAT | O_EXCL);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    const int code = errno;
    // Something of that name exists (an unwritable folder may hide that behind another
    // error): it is not created, and reading it tells what it is.
    struct stat st;
    if (code == EEXIST || ::stat(QFile::encodeName(path).constData(), &st) == 0)
        return {};
    return fromSystem(code);
}

FileError touchForAppend(const QString &path)
{
    // Non-blocking, so that a named pipe without a reader fails instead of hanging.
    const int fd = openNative(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK);
    if (fd < 0)
        return lastError();
    ::close(fd);
    return {};
}

FileReader::~FileReader()
{
    close();
}

void FileReader::close()
{
    if (m_handle != -1)
        ::close(int(m_handle));
    m_handle = -1;
}

FileError FileReader::open(const QString &path)
{
    close();
    m_error = {};
    // Non-blocking, so that opening a named pipe without a writer does not hang; reads
    // block as usual.
    const int fd = openNative(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        m_error = lastError();
        return m_error;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        m_error = lastError();
    else if (S_ISDIR(st.st_mode))
        m_error = fromSystem(EISDIR);
    if (m_error) {
        ::close(fd);
        return m_error;
    }
    m_handle = fd;
    return {};
}

qint64 FileReader::read(char *data, qint64 maxSize)
{
    if (m_handle == -1)
        return -1;
    for (;;) {
        const ssize_t n = ::read(int(m_handle), data, size_t(maxSize));
        if (n >= 0)
            return qint64(n);
        if (errno != EINTR) {
            m_error = lastError();
            return -1;
        }
    }
}

FileError replaceFileContents(const QString &path, QByteArrayView contents)
{
    const QString target = resolvedTarget(path);
    QString temp;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temp = temporaryName(target);
        fd = openNative(temp, O_WRONLY | O_CREAT | O_EXCL);
        if (fd < 0 && errno != EEXIST)
            return lastError();
        // Locked until the rename is done, so that another copy of the program cleaning up
        // leftovers leaves it alone; one that removed it before the lock was taken makes
        // this save take another name.
        if (fd >= 0 && (::flock(fd, LOCK_EX) != 0 || !sameFile(fd, temp))) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return fromSystem(EEXIST);
    const QByteArray tempName = QFile::encodeName(temp);
    const int lock = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);  // holds the lock past the checked close

    // The new file keeps the permissions the user gave the old one.
    struct stat st;
    if (::stat(QFile::encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, st.st_mode & 07777);

    FileError e;
    if (lock < 0 || !writeAll(fd, contents) || !flushToDisk(fd))
        e = lastError();
    // Some file systems (NFS) report a failed write only here.
    if (::close(fd) != 0 && !e)
        e = lastError();
    if (!e && ::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
        e = lastError();
    if (e)
        ::unlink(tempName.constData());
    if (lock >= 0)
        ::close(lock);
    if (!e)
        flushDirectory(QFileInfo(target).absolutePath());
    return e;
}

namespace detail {

void removeIfUnowned(const QString &path)
{
    const int fd = openNative(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path))
        ::unlink(QFile::encodeName(path).constData());
    ::close(fd);
}

}  // namespace detail
}  // namespace platform
