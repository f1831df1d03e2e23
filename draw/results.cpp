#include "draw/results.h"

#include "lists/entrylist.h"
#include "platform/fileio.h"

#include <QFileInfo>
#include <QStringList>

namespace draw::results {

namespace {

QStringList header()
{
    return {QStringLiteral("番号"), QStringLiteral("名前"), QStringLiteral("結果"), QStringLiteral("当選")};
}

QString wonMark(bool won)
{
    return won ? QStringLiteral("○") : QString();
}

// A spreadsheet reads a text cell that begins with = + - or @ as a formula, and a name
// typed in by anyone could then compute, or fetch, whatever it says. An apostrophe in front
// keeps it text (the cell shows it).
QString guarded(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !field.isEmpty() && formulaStarts.contains(field.front()) ? u'\'' + field : field;
}

QString quoted(const QString &field)
{
    return u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QStringList fields(const Row &row)
{
    return {QString::number(row.number), guarded(row.name), guarded(row.result), wonMark(row.won)};
}

}  // namespace

QString tabSeparated(const Table &table)
{
    // A tab or a line break inside a field would split it; a quote would be taken for the
    // spreadsheets' quoting.
    const auto cell = [](QString field) {
        for (QChar &c : field)
            if (c == u'\t' || c == u'\n' || c == u'\r')
                c = u' ';
        return field.contains(u'"') ? quoted(field) : field;
    };
    QString text = header().join(u'\t') + u'\n';
    for (const Row &row : table) {
        QStringList line;
        for (const QString &field : fields(row))
            line << cell(field);
        text += line.join(u'\t') + u'\n';
    }
    return text;
}

QString html(const Table &table)
{
    const QString text = QStringLiteral("<td style='mso-number-format:\"\\@\"'>%1</td>");
    const QString red = QStringLiteral("<td style='mso-number-format:\"\\@\";color:#ff0000'>%1</td>");
    QString out = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><!--StartFragment--><table>\n<tr>");
    for (const QString &caption : header())
        out += QStringLiteral("<th>%1</th>").arg(caption);
    out += QStringLiteral("</tr>\n");
    for (const Row &row : table) {
        out += QStringLiteral("<tr><td>%1</td>").arg(row.number) + text.arg(row.name.toHtmlEscaped())
               + (row.won ? red : text).arg(row.result.toHtmlEscaped()) + text.arg(wonMark(row.won))
               + QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table><!--EndFragment--></body></html>");
}

QByteArray csv(const Table &table)
{
    const auto line = [](const QStringList &fields) {
        QStringList out;
        for (const QString &field : fields) {
            const bool quote =
                field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r');
            out << (quote ? quoted(field) : field);
        }
        return out.join(u',').toUtf8() + "\r\n";
    };
    QByteArray bytes = "\xEF\xBB\xBF" + line(header());
    for (const Row &row : table)
        bytes += line(fields(row));
    return bytes;
}

QString suggestedFileName(const QDateTime &when)
{
    return QStringLiteral("抽選結果_") + when.toString(QStringLiteral("yyyy-MM-dd_HHmm")) + QStringLiteral(".csv");
}

QString saveCsv(const QString &path, const Table &table)
{
    const QByteArray bytes = csv(table);
    // The rename that replaces a file would pass over its read-only mark; a file that is not
    // there yet appears only once it is complete.
    if (QFileInfo::exists(path)) {
        if (const platform::FileError e = platform::touchForAppend(path))
            return lists::saveFailureMessage(path, e);
    }
    if (const platform::FileError e = platform::replaceFileContents(path, bytes))
        return lists::saveFailureMessage(path, e);
    platform::removeLeftoverTemporaries(path);
    return {};
}

}  // namespace draw::results
