#include "ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QStringList>

namespace ui {
namespace {

// Japanese faces of each style, as Windows (a Japanese Windows has them all; another one has
// them with its Japanese fonts) and Linux distributions name them in English. Windows knows a
// Japanese face by its English name too, and prints it so under Wine, which fails on the
// Japanese one.
QStringList faces(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *name : names)
        list << QString::fromLatin1(name);
    return list;
}

const QStringList &gothic()
{
    static const QStringList list =
        faces({"MS Gothic", "IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "VL Gothic", "Takao Gothic"});
    return list;
}

const QStringList &proportionalGothic()
{
    static const QStringList list =
        faces({"MS PGothic", "IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "Meiryo"});
    return list;
}

const QStringList &mincho()
{
    static const QStringList list =
        faces({"MS Mincho", "IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "Takao Mincho", "Yu Mincho"});
    return list;
}

// The user interface's gothic, for windows without a font of their own.
const QStringList &interfaceGothic()
{
    static const QStringList list = faces({"Yu Gothic UI", "Meiryo UI", "MS UI Gothic", "Meiryo", "IPAPGothic",
                                           "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"});
    return list;
}

// A face Latin and Japanese can both be drawn in, at any size. Where a face lacks Japanese,
// Qt takes the Latin letters from it and the Japanese from another font: a serif "John
// Smith" beside gothic names, or, for a name the system only knows as an alias (Wine's "MS
// Shell Dlg"), Latin from whatever font sorts first.
bool drawsJapanese(const QString &face)
{
    // Loading it first: Windows registers a face under its Japanese name, its English name
    // becoming known then.
    const QString family = QFontInfo(QFont(face)).family();
    return QFontDatabase::hasFamily(face) && QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)
           && QFontDatabase::isSmoothlyScalable(family);  // Windows' own "System" is a bitmap of one size
}

QString japaneseFamily(const QString &face, const QStringList &standIns)
{
    if (drawsJapanese(face))
        return face;
    for (const QString &standIn : standIns)
        if (drawsJapanese(standIn))
            return standIn;
    return face;  // no Japanese face at all: Qt's own fallback
}

QHash<QString, QString> &familyOfFace()
{
    static QHash<QString, QString> families;
    return families;
}

}  // namespace

void installFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QString system = QStringLiteral("System");
    const QString msMincho = QString::fromUtf8("ＭＳ 明朝");
    const QString msPGothic = QString::fromUtf8("ＭＳ Ｐゴシック");
    // "System" is a bitmap face, without Japanese glyphs outside a Japanese Windows; a
    // gothic face looks closest to it.
    QHash<QString, QString> &families = familyOfFace();
    families.insert(system, japaneseFamily(system, gothic()));
    families.insert(msMincho, japaneseFamily(msMincho, mincho()));
    families.insert(msPGothic, japaneseFamily(msPGothic, proportionalGothic()));
    // The same for a font named outside the definitions (the printed sheet's dated line).
    for (auto it = families.cbegin(); it != families.cend(); ++it)
        QFont::insertSubstitution(it.key(), it.value());

    // The platform's user-interface font at its size, in a Japanese face where it has none.
    QFont interface = QApplication::font();
    const QString family = QFontInfo(interface).family();
    if (!drawsJapanese(family)) {
        interface.setFamilies({japaneseFamily(family, interfaceGothic())});
        QApplication::setFont(interface);
    }
}

QFont makeFont(const FontDef &def)
{
    QFont f(familyOfFace().value(def.face, def.face));
    f.setPointSizeF(def.pointSize);
    f.setWeight(def.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    return f;
}

}  // namespace ui
