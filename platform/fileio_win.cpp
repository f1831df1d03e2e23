// The file layer on Windows.
#include "platform/fileio_p.h"

#include <QDir>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using Kind = FileError::Kind;
using detail::kTemporaryNameAttempts;
using detail::resolvedTarget;
using detail::temporaryName;

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

std::wstring nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

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

HANDLE toHandle(qintptr h)
{
    return reinterpret_cast<HANDLE>(h);
}

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

// Another program (an indexer, a virus scanner, a second copy of Lotarin saving) may hold
// the list for a moment: such a call is tried again for about a second before it counts.
template <class Call>
bool retried(Call call)
{
    for (int attempt = 0;; ++attempt) {
        if (call())
            return true;
        const DWORD code = GetLastError();
        if (attempt == 20
            || (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED && code != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(50);
        SetLastError(code);
    }
}

FileError touchForAppend(const QString &path)
{
    const std::wstring name = nativeName(path);
    // Windows refuses to write a file marked read-only, whoever asks (Wine lets root).
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
        && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        FileError e = fromSystem(ERROR_ACCESS_DENIED);
        e.kind = Kind::ReadOnlyFile;
        return e;
    }
    // Shared for deleting too, so that another copy of the program saving at this moment
    // can still put its new list in place.
    HANDLE h = INVALID_HANDLE_VALUE;
    const bool opened = retried([&] {
        h = CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    if (!opened)
        return openFailure(name);
    CloseHandle(h);
    return {};
}

FileReader::~FileReader()
{
    close();
}

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

namespace {

// What the user gave the old file that a new file would not have: its attributes (hidden,
// not indexed...) and its permissions when they were set on the file itself.
DWORD keptAttributes(const std::wstring &target)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FILE_ATTRIBUTE_NORMAL;
    const DWORD kept =
        attributes
        & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

void keepPermissions(const std::wstring &target, HANDLE file)
{
    // Read through a handle shared for everything, so that a save of another copy can
    // still replace the list meanwhile.
    const HANDLE old = CreateFileW(target.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    if (old == INVALID_HANDLE_VALUE)
        return;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD got =
        GetSecurityInfo(old, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor);
    CloseHandle(old);
    if (got != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    // Inherited entries come from the folder, which the new file shares; only what was set
    // on the file is copied.
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION
        | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    SetSecurityInfo(file, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
}

// Puts the open file at `target`, replacing what is there, without closing it first: a
// closed temporary file could be taken for a leftover and removed meanwhile.
bool renameOpenFile(HANDLE file, const std::wstring &target)
{
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = DWORD(nameBytes);
    memcpy(info->FileName, target.c_str(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, DWORD(buffer.size())) != 0;
}

}  // namespace

FileError replaceFileContents(const QString &path, QByteArrayView contents)
{
    const QString target = resolvedTarget(path);
    const std::wstring targetName = nativeName(target);
    std::wstring tempName;
    HANDLE h = INVALID_HANDLE_VALUE;
    // Shared with nobody while it exists: no other program opens or removes it meanwhile.
    for (int attempt = 0; attempt < kTemporaryNameAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
        tempName = nativeName(temporaryName(target));
        h = CreateFileW(tempName.c_str(), GENERIC_WRITE | DELETE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                        keptAttributes(targetName), nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return fromSystem(GetLastError());
    }
    if (h == INVALID_HANDLE_VALUE)
        return fromSystem(ERROR_FILE_EXISTS);
    keepPermissions(targetName, h);

    FileError e;
    if (!writeAll(h, contents) || !FlushFileBuffers(h))
        e = fromSystem(GetLastError());
    else if (!retried([&] { return renameOpenFile(h, targetName); }))
        e = openFailure(targetName);
    else
        FlushFileBuffers(h);  // the rename, as far as the file system lets a file say so
    CloseHandle(h);
    if (e)
        DeleteFileW(tempName.c_str());
    return e;
}

namespace detail {

void removeIfUnowned(const QString &path)
{
    // Opening it unshared fails while a save holds it open.
    const HANDLE h = CreateFileW(nativeName(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

}  // namespace detail
}  // namespace platform
