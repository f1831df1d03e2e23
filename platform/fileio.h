#pragma once
// The file operations of the list files, with the operating system's reason for a failure.
//
// Qt's QFile reports failures only coarsely (OpenError, WriteError...), and QSaveFile,
// though it flushes before renaming, ignores a flush that failed and never syncs the
// folder, so the rename itself may not survive a power cut. A list file must survive a
// full disk, a crash or a power cut, and the user must be told why a save failed. Hence
// these few calls.

#include <QByteArrayView>
#include <QString>

namespace platform {

struct FileError {
    enum class Kind {
        None,
        AccessDenied,  // no permission
        ReadOnlyFile,  // the file is marked read-only
        DiskFull,
        IsDirectory,    // the name is a folder
        NotFound,       // the folder of the file does not exist
        ReadOnlyMedia,  // write-protected disk or file system
        InUse,          // locked or opened exclusively by another program
        NameTooLong,
        DeviceError,  // the disk failed to read or write
        Other,
    } kind = Kind::None;
    QString systemMessage;  // the operating system's own wording

    explicit operator bool() const { return kind != Kind::None; }  // true == failed
};

// Creates `path` as an empty file if nothing of that name exists. An existing file is not
// opened at all, so a read-only list file can still be read.
FileError createIfMissing(const QString &path);

// Opens `path` for appending, creating it empty if it is missing, and closes it again:
// nothing is written. Fails if the file cannot be written.
FileError touchForAppend(const QString &path);

// Sequential reading of a regular file, closed by the destructor.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    FileError open(const QString &path);  // IsDirectory for a folder
    // Reads up to maxSize bytes: the number read, 0 at the end of the file, -1 on failure.
    qint64 read(char *data, qint64 maxSize);
    const FileError &error() const { return m_error; }

private:
    void close();

    qintptr m_handle = -1;  // file descriptor or HANDLE
    FileError m_error;
};

// Replaces the contents of `path` so that, whatever happens meanwhile (full disk, crash,
// the process killed, power lost after a successful return), the file holds either its
// complete old contents or the complete new ones: the bytes go to a new temporary file in
// the same folder, are flushed to the disk, and the temporary file is renamed over `path`.
// On failure the temporary file is removed and `path` is unchanged.
FileError replaceFileContents(const QString &path, QByteArrayView contents);

// Removes the temporary files that a save of `path` killed half-way left beside it
// ("NAME.<hex>.tmp"); call after a save has succeeded. Anything else is left alone, and so
// is the temporary file of a save still running in another copy of the program.
void removeLeftoverTemporaries(const QString &path);

}  // namespace platform
