#include "platform/fileio_p.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace platform {
namespace detail {

QString resolvedTarget(const QString &path)
{
    QFileInfo info(path);
    // A loop of links ends somewhere; the save then fails on whatever name it stopped at.
    for (int hops = 0; hops < 40 && info.isSymbolicLink(); ++hops)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

QString temporaryName(const QString &target)
{
    return target + u'.' + QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
}

}  // namespace detail

namespace {

// Whether `name` is one that temporaryName() gives for `targetName`.
bool isTemporaryName(const QString &name, const QString &targetName)
{
    const QString suffix = QStringLiteral(".tmp");
    if (!name.startsWith(targetName + u'.') || !name.endsWith(suffix))
        return false;
    const QStringView middle =
        QStringView(name).mid(targetName.size() + 1, name.size() - targetName.size() - 1 - suffix.size());
    if (middle.isEmpty() || middle.size() > 8)
        return false;
    for (QChar c : middle)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    return true;
}

}  // namespace

void removeLeftoverTemporaries(const QString &path)
{
    const QFileInfo target(detail::resolvedTarget(path));
    const QDir dir = target.absoluteDir();
    const QStringList candidates =
        dir.entryList({target.fileName() + QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : candidates)
        if (isTemporaryName(name, target.fileName()))
            detail::removeIfUnowned(dir.filePath(name));
}

}  // namespace platform
