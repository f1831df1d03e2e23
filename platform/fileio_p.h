#pragma once
// What the two halves of the file layer (fileio_unix.cpp, fileio_win.cpp) share with the
// system-independent part (fileio.cpp).

#include "platform/fileio.h"

namespace platform::detail {

// The file that the list file's name stands for: every link of a chain is followed, so
// that a save replaces the file the links were made for and keeps the links.
QString resolvedTarget(const QString &path);

// A name for the temporary file beside `target`, recognisable if a crash leaves it behind.
QString temporaryName(const QString &target);
constexpr int kTemporaryNameAttempts = 64;

// Removes a temporary file unless a save still owns it: a save running at this moment in
// another copy of the program keeps its temporary file locked until it is done.
void removeIfUnowned(const QString &path);

}  // namespace platform::detail
