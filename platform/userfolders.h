#pragma once
// The user's own folders as the system knows them.

#include <QString>

namespace platform {

// The user's Documents folder where the system keeps one of its own: on Windows the folder
// Explorer shows as ドキュメント, wherever it was redirected (OneDrive's folder backup, a
// company's folder redirection); empty elsewhere, or where it cannot be had.
QString documentsFolder();

}  // namespace platform
