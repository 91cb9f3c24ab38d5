#pragma once
// Virtual-key codes that neither the keystroke grammar nor Windows gives a
// key: a keyboard back-end hands them out, for the length of one sequence,
// to characters that have no virtual key of their own on the layout.

#include <QList>
#include <QtGlobal>

namespace tarvik {

// In the order they are handed out.
const QList<quint8> &privateVirtualKeys();

} // namespace tarvik
