#include "ui/EntryList.h"

#include <QCollator>
#include <algorithm>
#include <numeric>

namespace tarvik {

int compareText(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int r = collator.compare(a, b);
    return r != 0 ? r : QString::compare(a, b, Qt::CaseInsensitive);
}

QString entryRefusal(const QString &entry)
{
    const bool lineBreak = entry.contains(u'\r') || entry.contains(u'\n');
    const bool nul = entry.contains(QChar(0));
    if (!lineBreak && !nul)
        return QString();
    // The name as it would read on one line, each break marked where it stands.
    QString shown = entry;
    shown.replace(QLatin1String("\r\n"), QStringLiteral("\u21B5"));
    shown.replace(u'\r', QChar(0x21B5));
    shown.replace(u'\n', QChar(0x21B5));
    shown.replace(QChar(0), QChar(0x2400));
    return QStringLiteral("L'entrée « %1 » contient %2 : le menu garde chaque entrée sur une ligne de son fichier, "
                          "elle ne peut donc pas y être ajoutée.")
        .arg(shown, lineBreak ? QStringLiteral("un saut de ligne") : QStringLiteral("un caractère nul"));
}

QVector<int> EntryList::setSorted(bool on)
{
    QVector<int> order(Items.size());
    std::iota(order.begin(), order.end(), 0);
    if (on && !m_sorted) {
        std::stable_sort(order.begin(), order.end(),
                         [this](int a, int b) { return compareText(Items[a], Items[b]) < 0; });
        QStringList sorted;
        sorted.reserve(Items.size());
        for (int i : order)
            sorted << Items[i];
        Items = sorted;
    }
    m_sorted = on;
    return order;
}

void EntryList::reorder(const QVector<int> &order)
{
    Q_ASSERT(order.size() == Items.size());
    QStringList moved;
    moved.reserve(Items.size());
    for (int i : order)
        moved << Items[i];
    Items = moved;
}

int EntryList::insertionIndex(const QString &s) const
{
    if (!m_sorted)
        return Count();
    // After equal strings, so entries added later stay after earlier ones.
    const auto it = std::upper_bound(Items.cbegin(), Items.cend(), s,
                                     [](const QString &a, const QString &b) { return compareText(a, b) < 0; });
    return int(it - Items.cbegin());
}

int EntryList::Add(const QString &s)
{
    const int at = insertionIndex(s);
    Items.insert(at, s);
    return at;
}

} // namespace tarvik
