// Child process of the crash test: saves the two test lists in turn to the file named on
// the command line, until it is killed. It prints one line once the first save is done,
// so that the test kills it only while it is busy saving. It gives up by itself after a
// few seconds, should the test die first.

#include "lists/entrylist.h"
#include "tests/tools/killtest_lists.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: entrylist_saver FILE\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const lists::EntryList lists[2] = {killtest::list(1), killtest::list(0)};
    QElapsedTimer running;
    running.start();
    for (int i = 0; running.elapsed() < 10000; ++i) {
        if (const lists::ListError e = lists::SaveEntryList(path, lists[i % 2])) {
            std::fputs(e.message.toLocal8Bit().constData(), stderr);
            return 1;
        }
        if (i == 0) {
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
        }
    }
    return 0;
}
