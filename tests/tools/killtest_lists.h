#pragma once
// The two lists that the crash test's child saves in turn, shared with the test so that
// both know the exact bytes of each.

#include "lists/entrylist.h"

namespace killtest {

// 0: the empty list (240 bytes); 1: long Japanese names, about 160 KB, so that a save
// takes long enough to be killed in the middle of it.
inline lists::EntryList list(int which)
{
    lists::EntryList rows;
    if (which == 0)
        return rows;
    for (int i = 0; i < lists::RowCount; ++i) {
        rows[size_t(i)].tick = qint16(i % 3);
        rows[size_t(i)].text = QString(2000, QChar(0x6F22)) + QString::number(i);
    }
    return rows;
}

}  // namespace killtest
