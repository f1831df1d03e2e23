#include "ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace ui {
namespace {

QStringList faces(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *name : names)
        list << QString::fromUtf8(name);
    return list;
}

// Japanese faces that stand in for each of the faces the windows name, under the names the
// systems list them by: a Japanese Windows (and Wine in Japanese) by their Japanese names,
// another Windows and Linux by their English ones.
QStringList standInsFor(const QString &face)
{
    if (face == QLatin1String("System"))  // a bitmap face; a fixed-pitch gothic looks closest to it
        return faces({"ＭＳ ゴシック", "MS Gothic", "IPAゴシック", "IPAGothic", "IPAexゴシック", "IPAexGothic",
                      "Noto Sans CJK JP", "VL ゴシック", "VL Gothic", "TakaoGothic"});
    if (face == QString::fromUtf8("ＭＳ 明朝"))
        return faces({"MS Mincho", "IPA明朝", "IPAMincho", "IPAex明朝", "IPAexMincho", "Noto Serif CJK JP",
                      "TakaoMincho", "游明朝", "Yu Mincho"});
    if (face == QString::fromUtf8("ＭＳ Ｐゴシック"))
        return faces({"MS PGothic", "IPA Pゴシック", "IPAPGothic", "IPAexゴシック", "IPAexGothic", "Noto Sans CJK JP",
                      "VL Pゴシック", "VL PGothic", "メイリオ", "Meiryo"});
    // The user interface's gothic, for windows without a font of their own.
    return faces({"Yu Gothic UI", "Meiryo UI", "MS UI Gothic", "メイリオ", "Meiryo", "IPA Pゴシック", "IPAPGothic",
                  "IPAexゴシック", "IPAexGothic", "Noto Sans CJK JP", "VL Pゴシック", "VL PGothic"});
}

// A face Latin and Japanese can both be drawn in, at any size. Where a face lacks Japanese,
// Qt takes the Latin letters from it and the Japanese from another font: a serif "John
// Smith" beside gothic names, or, for a name the system only knows as an alias (Wine's "MS
// Shell Dlg"), Latin from whatever font sorts first. Asked by name, so that no font is loaded
// for it: start-up stays as fast.
bool drawsJapanese(const QString &family)
{
    static const QStringList installed = QFontDatabase::families();
    return installed.contains(family) && QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)
           && QFontDatabase::isSmoothlyScalable(family);  // Windows' own "System" is a bitmap of one size
}

QString japaneseFamily(const QString &face)
{
    if (drawsJapanese(face))
        return face;
    for (const QString &standIn : standInsFor(face))
        if (drawsJapanese(standIn))
            return standIn;
    return face;  // no Japanese face at all: Qt's own fallback
}

}  // namespace

void installFontSubstitutions()
{
    // The platform's user-interface font at its size, in a Japanese face where it has none.
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont interface = QApplication::font();
    const QString family = japaneseFamily(interface.family());
    if (family != interface.family()) {
        interface.setFamilies({family});
        QApplication::setFont(interface);
    }
}

QFont makeFont(const FontDef &def)
{
    // Each named face is looked up once, when a window first needs it; a font named outside
    // the definitions (the printed sheet's dated line) gets the same face.
    static QHash<QString, QString> families;
    auto it = families.constFind(def.face);
    if (it == families.constEnd()) {
        it = families.insert(def.face, japaneseFamily(def.face));
        QFont::insertSubstitution(def.face, *it);
    }
    QFont f(*it);
    f.setPointSizeF(def.pointSize);
    f.setWeight(def.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    return f;
}

}  // namespace ui
