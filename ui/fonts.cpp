#include "ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QStringList>

namespace ui {
namespace {

// Japanese faces of each style, as Windows names them (a Japanese Windows has them all, under
// their Japanese names; another Windows under their English ones, if its Japanese fonts are
// installed) and as Linux distributions do.
QStringList faces(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *name : names)
        list << QString::fromUtf8(name);
    return list;
}

const QStringList &gothic()
{
    static const QStringList list = faces({"ＭＳ ゴシック", "MS Gothic", "IPAゴシック", "IPAGothic", "IPAexゴシック",
                                           "IPAexGothic", "Noto Sans CJK JP", "VL Gothic", "Takao Gothic"});
    return list;
}

const QStringList &proportionalGothic()
{
    static const QStringList list = faces({"MS PGothic", "IPA Pゴシック", "IPAPGothic", "IPAexゴシック", "IPAexGothic",
                                           "Noto Sans CJK JP", "VL PGothic", "メイリオ", "Meiryo"});
    return list;
}

const QStringList &mincho()
{
    static const QStringList list = faces({"MS Mincho", "IPA明朝", "IPAMincho", "IPAex明朝", "IPAexMincho",
                                           "Noto Serif CJK JP", "Takao Mincho", "游明朝", "Yu Mincho"});
    return list;
}

// The user interface's gothic, for windows without a font of their own.
const QStringList &interfaceGothic()
{
    static const QStringList list =
        faces({"Yu Gothic UI", "Meiryo UI", "MS UI Gothic", "メイリオ", "Meiryo", "IPA Pゴシック", "IPAPGothic",
               "IPAexゴシック", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"});
    return list;
}

// A face Latin and Japanese can both be drawn in, at any size. Where a face lacks Japanese,
// Qt takes the Latin letters from it and the Japanese from another font: a serif "John
// Smith" beside gothic names, or, for a name the system only knows as an alias (Wine's "MS
// Shell Dlg"), Latin from whatever font sorts first.
bool drawsJapanese(const QString &family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)
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
