#pragma once
// Printing a window's image: its client area, as shown, on one page of the default
// printer, or into a PDF file when no printer is set up.

#include "platform/printqueue.h"

#include <QDateTime>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

class QFont;
class QPrinter;
class QWidget;

namespace draw::printing {

// Where a page goes: a printer queue, or a PDF file when pdfPath is set.
struct Target {
    QString printerName;
    QString pdfPath;
    bool isPdf() const { return !pdfPath.isEmpty(); }
    // How the messages name it: the printer, or the file.
    QString displayName() const;
};

// The parts of printing that depend on the machine. The program uses the defaults; tests
// replace single members and call reset() afterwards.
struct Seams {
    // The default printer's name; empty when there is none (no print service, no queue).
    std::function<QString()> defaultPrinter;
    // Points a printer at the target. Runs while the sheet's buttons are hidden, just before
    // the page is drawn.
    std::function<void(QPrinter &, const Target &)> configure;
    // Asks for the PDF file to save to; empty when the user cancels.
    std::function<QString(QWidget *parent)> askPdfPath;
    // What the print system says of a queue now.
    std::function<platform::QueueState(const QString &printer)> queueState;
};
Seams &seams();
void reset();

// The default printer, or, when there is none, a PDF file if the user agrees to one and
// picks it. A printer the print system cannot find, or whose queue rejects jobs, is refused
// with a message; of one it reports paused, offline or in error the operator is told, and
// decides whether the page goes anyway. False when nothing is to be printed.
bool chooseTarget(QWidget *parent, Target &target);

// The line printed below the sheet: when it was printed and how many took part and, once
// drawn, how many won ("2026年12月7日 19:05 印刷　参加 16 名　当選 11 名").
QString footerLine(const QDateTime &printed, int participants, std::optional<int> winners);
QFont footerFont();

// Where the sheet and the line below it go in the printable area (all in printer dots):
// the sheet as large as fits with the line under it, keeping its aspect, centred at the top.
struct PageLayout {
    QRectF sheet, footer;
};
PageLayout layoutPage(QSizeF area, QSizeF sheet, QSizeF footer);

// Draws `widget` (its visible children, as they are now) on one page of `printer`, laid out
// by layoutPage() with `footer` below it as text, rendered at the printer's resolution as
// text and shapes rather than an enlarged screen image.
// Returns the reason in Japanese when the print failed; empty when the page went, or when
// the operator cancelled the printer's own dialog (the file name of a print-to-file printer).
QString renderPage(QWidget &widget, QPrinter &printer, const QString &footer);

// Prints `widget` on one page of `target`, as renderPage() does.
QString printPage(QWidget &widget, const Target &target, const QString &footer);

// The message for a print that failed, in Japanese.
QString failureMessage(const Target &target, const QString &reason);

}  // namespace draw::printing
