#include "platform/pause.h"

#include <QThread>

namespace platform {

void pauseMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

}  // namespace platform
