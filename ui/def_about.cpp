#include "lotarin_version.h"
#include "ui/definitions.h"
#include "ui/images.h"

namespace ui {

WindowDef aboutDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("AboutBox");
    w.caption = QString::fromUtf8("Lotarinについて");
    w.clientWidth = 6108;
    w.clientHeight = 3108;
    w.border = BorderStyle::FixedSingle;
    w.icon = QString::fromLatin1(applicationIcon);
    w.font = FontDef{QStringLiteral("System"), 13.2, 700};

    const FontDef system{QStringLiteral("System"), 13.2, 400};
    const auto label = [&](const char *name, const QString &caption, int left, int top, int width, int height,
                           int tab) -> ControlDef & {
        return w.add(ControlKind::Label, QString::fromLatin1(name), -1, caption, left, top, width, height, tab);
    };
    const auto picture = [&](QLatin1StringView name, int index, const QString &image, int left, int top, int width,
                             int height, int tab) -> ControlDef & {
        return w.add(ControlKind::PictureBox, name, index, QString(), left, top, width, height, tab).withImage(image);
    };

    // The product name keeps the window's bold font.
    label("Lbl_DoziVovor", QStringLiteral("Lotarin"), 960, 240, 1815, 315, 0);
    label("Lbl_Version", QStringLiteral("Version %1.%2").arg(LOTARIN_VERSION_MAJOR).arg(LOTARIN_VERSION_MINOR), 3000,
          240, 2895, 300, 1)
        .withFont(system);
    // Each credit line has to fit its one-line box in this font; the unit tests measure them.
    // The maker is named as the version record and the installer name it.
    label("Lbl_Microsoft", QStringLiteral("(C) " LOTARIN_MAKER), 840, 720, 3645, 300, 2).withFont(system);
    picture(names::Pic_ApIcon, -1, QString::fromLatin1(images::icon), 240, 60, 384, 384, 3)
        .withFont(FontDef{QString::fromUtf8("ＭＳ Ｐゴシック"), 9, 400});
    w.add(ControlKind::CommandButton, names::Cmd_OK, -1, QStringLiteral("OK"), 4800, 2340, 1035, 480, 4)
        .withFont(system)
        .withRole(ButtonRole::Default);
    picture(QLatin1StringView("Picture1"), 0, QString::fromLatin1(images::bitmapA), 3240, 2100, 795, 795, 5);
    picture(QLatin1StringView("Picture1"), 1, QString::fromLatin1(images::bitmapB), 2220, 2100, 795, 795, 6);
    label("Label2", QStringLiteral("E-Mail:lotarin@example.org"), 840, 1080, 3732, 300, 7).withFont(system);

    // The animation frames, never shown themselves: a row at Left 120 + 720 k, tab
    // indices counting down from frame 4.
    for (int k = 4; k >= 0; --k)
        picture(names::Picture2, k, QString::fromLatin1(images::frames[k]), 120 + 720 * k, 2520, 555, 555, 12 - k)
            .hidden();

    label("Label1", QStringLiteral("HomePage:lotarin.example.org"), 840, 1440, 4332, 300, 13).withFont(system);
    w.add(ControlKind::Line, QStringLiteral("lin_HorizontalLine1"), -1, QString(), 0, 1920, 6120, 1920, -1);
    return w;
}

}  // namespace ui
