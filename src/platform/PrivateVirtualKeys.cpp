#include "platform/PrivateVirtualKeys.h"

namespace tarvik {

const QList<quint8> &privateVirtualKeys()
{
    // Unassigned, reserved and OEM-specific codes first; 0xE7 (VK_PACKET)
    // is never one of them.
    static const QList<quint8> pool = [] {
        QList<quint8> p;
        auto range = [&p](int from, int to) {
            for (int v = from; v <= to; ++v)
                p.append(static_cast<quint8>(v));
        };
        range(0x88, 0x8F);
        range(0x92, 0x96);
        range(0x97, 0x9F);
        range(0xC1, 0xDA);
        range(0xE3, 0xE4);
        p.append(0xE6);
        range(0xE8, 0xF5);
        range(0x3A, 0x40);
        p.append(0x07);
        range(0x0A, 0x0B);
        range(0x0E, 0x0F);
        p.append(0x5E);
        p.append(0xE0);
        return p;
    }();
    return pool;
}

} // namespace tarvik
