#include "ui/messagebox.h"

#include <QAbstractButton>
#include <QList>

#include <utility>

namespace ui::MessageBox {

namespace {
QList<QMessageBox::StandardButton> g_answers;
QStringList g_shown;

QMessageBox::StandardButton run(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton fallback)
{
    if (!g_answers.isEmpty()) {
        g_shown.append(text);
        return g_answers.takeFirst();
    }
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(fallback);
    // Japanese captions whatever translations are installed.
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Ok, "OK"}, {QMessageBox::Yes, "はい"}, {QMessageBox::No, "いいえ"}};
    for (const auto &[which, caption] : captions)
        if (QAbstractButton *b = box.button(which))
            b->setText(QString::fromUtf8(caption));
    const int result = box.exec();
    return QMessageBox::StandardButton(result);
}
}  // namespace

void warning(QWidget *parent, const QString &title, const QString &text)
{
    run(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool question(QWidget *parent, const QString &title, const QString &text, QMessageBox::StandardButton defaultAnswer)
{
    return run(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, defaultAnswer)
           == QMessageBox::Yes;
}

void setNextAnswer(QMessageBox::StandardButton answer)
{
    g_answers.append(answer);
}

QStringList takeShownMessages()
{
    QStringList out;
    out.swap(g_shown);
    return out;
}

void reset()
{
    g_answers.clear();
    g_shown.clear();
}

}  // namespace ui::MessageBox
