#include "platform/userfolders.h"

namespace platform {

// Installed on Linux, Lotarin is started in a folder the user chose (a terminal's, or a
// launcher's): no folder of its own to move away from.
QString documentsFolder()
{
    return QString();
}

}  // namespace platform
