#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtGlobal>

#ifdef Q_OS_WIN
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  include <string>
#else
#  include <cerrno>
#  include <cstdio>
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace platform {
namespace {

using Kind = FileError::Kind;

// The file that the list file's name stands for: a symbolic link is followed, so that
// replacing the contents keeps the link.
QString resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymbolicLink())
        return info.symLinkTarget();
    return info.absoluteFilePath();
}

// A name for the temporary file beside `target`, recognisable if a crash leaves it behind.
QString temporaryName(const QString &target)
{
    return target + u'.' + QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
}

constexpr int kTemporaryNameAttempts = 64;

// Whether `name` is one that temporaryName() gives for `targetName`.
bool isTemporaryName(const QString &name, const QString &targetName)
{
    const QString suffix = QStringLiteral(".tmp");
    if (!name.startsWith(targetName + u'.') || !name.endsWith(suffix))
        return false;
    const QStringView middle = QStringView(name).mid(targetName.size() + 1, name.size() - targetName.size() - 1 - suffix.size());
    if (middle.isEmpty() || middle.size() > 8)
        return false;
    for (QChar c : middle)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    return true;
}

#ifdef Q_OS_WIN

FileError fromSystem(DWORD code)
{
    FileError e;
    e.systemMessage = qt_error_string(int(code)).trimmed();
    switch (code) {
    case ERROR_ACCESS_DENIED:
        e.kind = Kind::AccessDenied;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        e.kind = Kind::DiskFull;
        break;
    case ERROR_DIRECTORY:
        e.kind = Kind::IsDirectory;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        e.kind = Kind::NotFound;
        break;
    case ERROR_WRITE_PROTECT:
        e.kind = Kind::ReadOnlyMedia;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        e.kind = Kind::InUse;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        e.kind = Kind::NameTooLong;
        break;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_SECTOR_NOT_FOUND:
        e.kind = Kind::DeviceError;
        break;
    default:
        e.kind = Kind::Other;
        break;
    }
    return e;
}

std::wstring nativeName(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

bool isDirectory(const std::wstring &name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Windows refuses to open a folder as a file with "access denied"; say what it is.
FileError openFailure(const std::wstring &name)
{
    const DWORD code = GetLastError();
    FileError e = fromSystem(code);
    if (code == ERROR_ACCESS_DENIED && isDirectory(name))
        e.kind = Kind::IsDirectory;
    return e;
}

HANDLE toHandle(qintptr h) { return reinterpret_cast<HANDLE>(h); }

bool writeAll(HANDLE h, QByteArrayView data)
{
    const char *p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const DWORD chunk = DWORD(qMin<qsizetype>(left, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr))
            return false;
        p += written;
        left -= qsizetype(written);
    }
    return true;
}

}  // namespace

FileError createIfMissing(const QString &path)
{
    const std::wstring name = nativeName(path);
    const HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return {};
    }
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS
        || GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES)
        return {};
    return fromSystem(code);
}

FileError touchForAppend(const QString &path)
{
    const std::wstring name = nativeName(path);
    const HANDLE h = CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return openFailure(name);
    CloseHandle(h);
    return {};
}

FileReader::~FileReader() { close(); }

void FileReader::close()
{
    if (m_handle != -1)
        CloseHandle(toHandle(m_handle));
    m_handle = -1;
}

FileError FileReader::open(const QString &path)
{
    close();
    m_error = {};
    const std::wstring name = nativeName(path);
    const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        m_error = openFailure(name);
        return m_error;
    }
    m_handle = reinterpret_cast<qintptr>(h);
    return {};
}

qint64 FileReader::read(char *data, qint64 maxSize)
{
    if (m_handle == -1)
        return -1;
    DWORD got = 0;
    if (!ReadFile(toHandle(m_handle), data, DWORD(qMin<qint64>(maxSize, 1 << 30)), &got, nullptr)) {
        m_error = fromSystem(GetLastError());
        return -1;
    }
    return qint64(got);
}

FileError replaceFileContents(const QString &path, QByteArrayView contents)
{
    const QString target = resolvedTarget(path);
    const std::wstring targetName = nativeName(target);
    std::wstring tempName;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
        tempName = nativeName(temporaryName(target));
        h = CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return fromSystem(GetLastError());
    }
    if (h == INVALID_HANDLE_VALUE)
        return fromSystem(ERROR_FILE_EXISTS);

    if (!writeAll(h, contents) || !FlushFileBuffers(h)) {
        const FileError e = fromSystem(GetLastError());
        CloseHandle(h);
        DeleteFileW(tempName.c_str());
        return e;
    }
    CloseHandle(h);
    if (!MoveFileExW(tempName.c_str(), targetName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        FileError e = openFailure(targetName);
        DeleteFileW(tempName.c_str());
        return e;
    }
    return {};
}

#else  // POSIX

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
#  ifdef EDQUOT
    case EDQUOT:
#  endif
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

FileError lastError() { return fromSystem(errno); }

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
#  ifdef Q_OS_DARWIN
    // fsync() on macOS leaves the data in the drive's cache.
    if (::fcntl(fd, F_FULLFSYNC) == 0)
        return true;
#  endif
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
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

FileReader::~FileReader() { close(); }

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
    }
    if (fd < 0)
        return fromSystem(EEXIST);
    const QByteArray tempName = QFile::encodeName(temp);

    // The new file keeps the permissions the user gave the old one.
    struct stat st;
    if (::stat(QFile::encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, st.st_mode & 07777);

    if (!writeAll(fd, contents) || !flushToDisk(fd)) {
        const FileError e = lastError();
        ::close(fd);
        ::unlink(tempName.constData());
        return e;
    }
    // Some file systems (NFS) report a failed write only here.
    if (::close(fd) != 0) {
        const FileError e = lastError();
        ::unlink(tempName.constData());
        return e;
    }
    if (::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0) {
        const FileError e = lastError();
        ::unlink(tempName.constData());
        return e;
    }
    flushDirectory(QFileInfo(target).absolutePath());
    return {};
}

#endif

void removeLeftoverTemporaries(const QString &path)
{
    const QFileInfo target(resolvedTarget(path));
    QDir dir = target.absoluteDir();
    const QStringList candidates =
        dir.entryList({target.fileName() + QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : candidates)
        if (isTemporaryName(name, target.fileName()))
            dir.remove(name);
}

}  // namespace platform
