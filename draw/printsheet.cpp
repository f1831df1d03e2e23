#include "draw/printsheet.h"

#include "platform/printjob.h"
#include "ui/messagebox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

#include <algorithm>

namespace draw::printing {

namespace {

QString systemDefaultPrinter()
{
    // Without a print service Qt still names no printer, or one it cannot reach; both
    // count as none.
    if (QPrinterInfo::availablePrinters().isEmpty())
        return {};
    return QPrinterInfo::defaultPrinterName();
}

void systemConfigure(QPrinter &printer, const Target &target)
{
    if (target.isPdf()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target.pdfPath);
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(target.printerName);
    }
}

QString askWithDialog(QWidget *parent)
{
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("PDF ファイルとして保存"),
                                                QDir::current().filePath(QStringLiteral("抽選表.pdf")),
                                                QStringLiteral("PDF ファイル (*.pdf)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    return path;
}

Seams systemSeams()
{
    return Seams{systemDefaultPrinter, systemConfigure, askWithDialog, platform::printQueueState};
}

// Whether the page goes to the target's print queue, as the print system reports it now. A
// queue that is gone or rejects jobs would lose the page. One paused, offline or in error may
// still print it: a paused queue prints once resumed, and Windows often calls a working
// network printer offline. The operator, who can see the printer, decides.
bool sendToQueue(QWidget *parent, const Target &target)
{
    const Seams &s = seams();
    const platform::QueueState state = s.queueState ? s.queueState(target.printerName) : platform::QueueState::Ready;
    switch (state) {
    case platform::QueueState::Ready:
        return true;
    case platform::QueueState::NotFound:
    case platform::QueueState::Rejecting:
        ui::MessageBox::warning(parent, QStringLiteral("印刷"),
                                failureMessage(target, platform::queueStateText(state)));
        return false;
    case platform::QueueState::Paused:
    case platform::QueueState::Offline:
    case platform::QueueState::Failed:
        break;
    }
    return ui::MessageBox::question(parent, QStringLiteral("印刷"),
                                    QStringLiteral("%1について、印刷サービスから次のように報告されています。\n%2\n"
                                                   "それでも抽選表をこのプリンターに送りますか？")
                                        .arg(target.displayName(), platform::queueStateText(state)),
                                    QMessageBox::No);
}

}  // namespace

QString Target::displayName() const
{
    return isPdf() ? QStringLiteral("ファイル「%1」").arg(QDir::toNativeSeparators(pdfPath))
                   : QStringLiteral("プリンター「%1」").arg(printerName);
}

Seams &seams()
{
    static Seams s = systemSeams();
    return s;
}

void reset()
{
    seams() = systemSeams();
}

bool chooseTarget(QWidget *parent, Target &target)
{
    target = Target{};
    const Seams &s = seams();
    target.printerName = s.defaultPrinter ? s.defaultPrinter() : QString();
    if (!target.printerName.isEmpty())
        return sendToQueue(parent, target);
    if (!ui::MessageBox::question(parent, QStringLiteral("印刷"),
                                  QStringLiteral("既定のプリンターが設定されていないため、印刷できません。\n"
                                                 "抽選表を PDF ファイルとして保存しますか？")))
        return false;
    target.pdfPath = s.askPdfPath ? s.askPdfPath(parent) : QString();
    return target.isPdf();
}

QString footerLine(const QDateTime &printed, int participants, std::optional<int> winners)
{
    QString line =
        printed.toString(QStringLiteral("yyyy年M月d日 H:mm")) + QStringLiteral(" 印刷　参加 %1 名").arg(participants);
    if (winners)
        line += QStringLiteral("　当選 %1 名").arg(*winners);
    return line;
}

QFont footerFont()
{
    QFont font(QStringLiteral("System"));
    font.setPointSizeF(10);
    return font;
}

PageLayout layoutPage(QSizeF area, QSizeF sheet, QSizeF footer)
{
    const double gap = footer.height() / 2;
    const double scale =
        std::min(area.width() / sheet.width(), (area.height() - footer.height() - gap) / sheet.height());
    PageLayout page;
    page.sheet = QRectF((area.width() - sheet.width() * scale) / 2, 0, sheet.width() * scale, sheet.height() * scale);
    page.footer = QRectF(page.sheet.left(), page.sheet.bottom() + gap,
                         std::min(footer.width(), area.width() - page.sheet.left()), footer.height());
    return page;
}

QString renderPage(QWidget &widget, QPrinter &printer, const QString &footer)
{
    if (widget.width() <= 0 || widget.height() <= 0)
        return QStringLiteral("印刷する画面がありません。");
    // QWidget::render() onto a printer paints the widgets into one pixmap of the whole page
    // (hundreds of megabytes at printer resolution) and prints that. Recorded into a
    // picture first, every control draws itself as text and shapes, which the printer
    // then replays at its own resolution.
    QPicture picture;
    {
        QPainter recorder(&picture);
        widget.render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }

    // What the system says of the job that Qt does not pass on (see printjob.h).
    const platform::PrintJobWatch job;
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (job.cancelled())
            return {};  // the operator's choice: nothing to report
        return printer.outputFormat() == QPrinter::PdfFormat
                   ? QStringLiteral(
                       "ファイルを作成できませんでした（フォルダーがないか、書き込みが許可されていません）。")
                   : QStringLiteral("プリンターを使用できませんでした（停止しているか、接続されていません）。");
    }
    // The printable area, in printer dots; the painter starts at its top-left corner.
    const QFont font = footerFont();
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const QSizeF footerSize = footer.isEmpty() ? QSizeF() : QSizeF(metrics.horizontalAdvance(footer), metrics.height());
    const PageLayout page = layoutPage(QSizeF(printer.width(), printer.height()), QSizeF(widget.size()), footerSize);
    painter.drawText(page.footer, Qt::AlignLeft | Qt::AlignVCenter, footer);
    painter.translate(page.sheet.topLeft());
    // A picture replays itself scaled from its own resolution to the printer's; only the
    // rest of the fit is ours.
    const double scale = page.sheet.width() / widget.width();
    painter.scale(scale * picture.logicalDpiX() / printer.logicalDpiX(),
                  scale * picture.logicalDpiY() / printer.logicalDpiY());
    painter.drawPicture(QPointF(0, 0), picture);
    const bool ended = painter.end();
    if (job.failed()) {
        QString why = job.reason();
        if (why.endsWith(u'。') || why.endsWith(u'.'))
            why.chop(1);
        return why.isEmpty() ? QStringLiteral("印刷ジョブが失敗しました。")
                             : QStringLiteral("印刷ジョブが失敗しました（%1）。").arg(why);
    }
    if (!ended || printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return QStringLiteral("印刷ジョブが失敗しました。");
    return {};
}

QString printPage(QWidget &widget, const Target &target, const QString &footer)
{
    const Seams &s = seams();
    QPrinter printer(QPrinter::HighResolution);
    if (s.configure)
        s.configure(printer, target);
    printer.setDocName(widget.windowTitle());
    printer.setCopyCount(1);
    printer.setFullPage(false);
    printer.setPageOrientation(widget.width() > widget.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    // A printer Qt does not know (gone since it was chosen, or no print service): Qt quietly
    // turns the job into a PDF with no file name, which would fail as if a folder were missing.
    const bool fellBackToPdf = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty();
    if (!target.isPdf() && (!printer.isValid() || fellBackToPdf))
        return QStringLiteral("プリンターが見つかりません。");
    return renderPage(widget, printer, footer);
}

QString failureMessage(const Target &target, const QString &reason)
{
    return QStringLiteral("%1に印刷できませんでした。\n%2\n抽選表の名前と結果はそのまま残っています。")
        .arg(target.displayName(), reason);
}

}  // namespace draw::printing
