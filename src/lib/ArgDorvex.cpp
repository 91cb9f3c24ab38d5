#include "lib/ArgDorvex.h"

namespace tarvik {

namespace {

const QLatin1Char kQuote('"');
const QLatin1Char kSemicolon(';');

// Splits delimited text whose pieces may be quoted: a quoted piece loses its
// quotes and its doubled quotes become single; an unquoted piece runs to the
// next delimiter. A delimiter at the very end gives a last, empty piece.
QStringList splitDelimited(const QString &text)
{
    QStringList out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    if (n == 0)
        return out;
    for (;;) {
        QString piece;
        if (i < n && text[i] == kQuote) {
            ++i;
            while (i < n) {
                if (text[i] == kQuote) {
                    if (i + 1 < n && text[i + 1] == kQuote) {
                        piece += kQuote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                piece += text[i++];
            }
            // Anything between a closing quote and the delimiter is dropped.
            while (i < n && text[i] != kSemicolon)
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != kSemicolon)
                ++i;
            piece = text.mid(start, i - start);
        }
        out << piece;
        if (i >= n)
            break;
        ++i; // the delimiter
        if (i >= n) {
            out << QString();
            break;
        }
    }
    return out;
}

// Replaces "+i" by field i followed by ";", from the highest number down, so
// that "+12" means field 12 and not field 1 followed by "2".
QString replaceCodes(QString s, const QStringList &fields)
{
    for (qsizetype i = fields.size() - 1; i >= 0; --i)
        s.replace(QLatin1Char('+') + QString::number(i), fields[i] + kSemicolon);
    return s;
}

// Blanks and control characters removed at both ends.
QString trimControls(const QString &s)
{
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && s[start].unicode() <= 0x20)
        ++start;
    while (end > start && s[end - 1].unicode() <= 0x20)
        --end;
    return s.mid(start, end - start);
}

} // namespace

QString Quote_ARG_DVX(const QString &argument)
{
    QString inner = argument;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString AllFieldsForm(const QString &argDvx)
{
    QString all = argDvx;
    all.replace(kSemicolon, QLatin1String("\";\""));
    return all;
}

QStringList FieldList(const QString &argDvx)
{
    QStringList fields = splitDelimited(AllFieldsForm(argDvx));
    if (fields.isEmpty())
        fields << QString();
    return fields;
}

QString Convert_ARG_DORVEX(const QString &s, const QString &argDvx)
{
    const QString all = AllFieldsForm(argDvx);
    if (s == QLatin1String("*"))
        return all;
    const QString replaced = replaceCodes(s, FieldList(argDvx));
    if (replaced.endsWith(kSemicolon))
        return kQuote + trimControls(replaced.chopped(1)) + kQuote;
    return all;
}

QString PreviewArgDorvex(const QString &codes, const QString &argDvx)
{
    if (codes == QLatin1String("*"))
        return AllFieldsForm(argDvx);
    QString replaced = replaceCodes(codes, FieldList(argDvx));
    if (replaced.endsWith(kSemicolon))
        replaced.chop(1);
    return kQuote + replaced + kQuote;
}

QString FieldListing(const QStringList &fields)
{
    QString listing;
    for (qsizetype i = 0; i < fields.size(); ++i)
        listing += QString::number(i) + QLatin1String(" => ") + fields[i] + QLatin1String("\r\n");
    return listing;
}

QString FieldSelectionPrompt(const QStringList &fields)
{
    return QStringLiteral("Entrez dans l'Ordre les Numéros de Champs précédés d'un signe \"+\" :\r\n\r\n"
                          "- Par exemple : \"+3+5+0+12\"  ( * = tous)\r\n\r\n")
        + FieldListing(fields);
}

QString FieldSelectionQuestion(const QString &codes, const QString &preview)
{
    return QStringList{QStringLiteral("CODES DES ARGUMENTS A PASSER AU PROGRAMME ? "), QString(), codes, QString(),
                       QStringLiteral("Correspondants à la chaine : "), QString(), preview}
        .join(QLatin1String("\r\n"));
}

} // namespace tarvik
