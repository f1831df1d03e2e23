#include "ui/fonts.h"

#include <QStringList>

namespace ui {

void installFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList gothic = {QStringLiteral("IPAGothic"),        QStringLiteral("IPAexGothic"),
                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL Gothic"),
                                QStringLiteral("Takao Gothic"),     QStringLiteral("MS Gothic"),
                                QStringLiteral("Yu Gothic UI"),     QStringLiteral("Meiryo")};
    const QStringList pgothic = {QStringLiteral("IPAPGothic"),       QStringLiteral("IPAexGothic"),
                                 QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                                 QStringLiteral("MS PGothic"),       QStringLiteral("Meiryo")};
    const QStringList mincho = {QStringLiteral("IPAMincho"),         QStringLiteral("IPAexMincho"),
                                QStringLiteral("Noto Serif CJK JP"), QStringLiteral("Takao Mincho"),
                                QStringLiteral("MS Mincho"),         QStringLiteral("Yu Mincho")};
    // "System" is a bitmap face without Japanese glyphs outside Windows; a gothic face
    // looks closest to it.
    QFont::insertSubstitutions(QStringLiteral("System"), gothic);
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ 明朝"), mincho);
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), pgothic);
}

QFont makeFont(const FontDef &def)
{
    QFont f(def.face);
    f.setPointSizeF(def.pointSize);
    f.setWeight(def.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    return f;
}

}  // namespace ui
