// The caller's argument, its fields and the field codes of a launch.
#include "lib/ArgDorvex.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

const QString kExample = QStringLiteral("DURAND;Marie;14/02/1961;2 rue Haute");

QString quoted(const QString &s) { return QLatin1Char('"') + s + QLatin1Char('"'); }

} // namespace

TEST(ArgDorvex, QuotedArgumentAndFields)
{
    struct Case {
        QString argument;
        QString argDvx;
        QStringList fields;
    } cases[] = {
        {kExample, "\"DURAND;Marie;14/02/1961;2 rue Haute\"", {"DURAND", "Marie", "14/02/1961", "2 rue Haute"}},
        {"", "\"\"", {""}},
        {"A\"B;C", "\"A\"\"B;C\"", {"A\"B", "C"}},
        {"A;B;", "\"A;B;\"", {"A", "B", ""}},
        {";", "\";\"", {"", ""}},
        {" a ; \"b\" ;", "\" a ; \"\"b\"\" ;\"", {" a ", " \"b\" ", ""}},
        {"\"\"", "\"\"\"\"\"\"", {"\"\""}},
        {"x\ty", "\"x\ty\"", {"x\ty"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        const QString argDvx = Quote_ARG_DVX(c.argument);
        EXPECT_EQ(argDvx, c.argDvx);
        EXPECT_EQ(FieldList(argDvx), c.fields);
        // The fields are exactly the pieces of the argument between semicolons.
        EXPECT_EQ(FieldList(argDvx), c.argument.split(QLatin1Char(';')));
    }
}

TEST(ArgDorvex, AllFieldsForm)
{
    EXPECT_EQ(AllFieldsForm(Quote_ARG_DVX(kExample)), "\"DURAND\";\"Marie\";\"14/02/1961\";\"2 rue Haute\"");
    EXPECT_EQ(AllFieldsForm(Quote_ARG_DVX("")), "\"\"");
    EXPECT_EQ(AllFieldsForm(Quote_ARG_DVX("A\"B;")), "\"A\"\"B\";\"\"");
}

TEST(ArgDorvex, ConvertForTheLaunch)
{
    const QString thirteen = QStringLiteral("f0;f1;f2;f3;f4;f5;f6;f7;f8;f9;f10;f11;f12");
    struct Case {
        QString argument;
        QString codes;
        QString expected; // null: the all-fields form
    } cases[] = {
        {kExample, "*", QString()},
        {kExample, "+1+0", quoted("Marie;DURAND")},
        {kExample, "+3", quoted("2 rue Haute")},
        {kExample, "+0 +1", quoted("DURAND; Marie")},
        {kExample, "+1+1", quoted("Marie;Marie")},
        {kExample, "+0+9", QString()},
        {kExample, "+10", QString()},       // field 1 followed by "0"
        {kExample, "+0x", QString()},       // other text ends the codes
        {kExample, "\t +2;", quoted("14/02/1961;")},
        {kExample, "", QString()},
        {"A;x+0y", "+1", quoted("xA;y")},   // the field's own "+0" is replaced afterwards
        {thirteen, "+12+1", quoted("f12;f1")},
        {thirteen, "+10", quoted("f10")},
        {"", "*", QString()},
        {"", "+0", quoted("")},
        {"", "+1", QString()},
        {" a ; b ", "+1+0", quoted("b ; a")}, // blanks at both ends trimmed
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.argument + " | " + c.codes).toStdString());
        const QString argDvx = Quote_ARG_DVX(c.argument);
        EXPECT_EQ(Convert_ARG_DORVEX(c.codes, argDvx), c.expected.isNull() ? AllFieldsForm(argDvx) : c.expected);
    }
    EXPECT_EQ(Convert_ARG_DORVEX("*", Quote_ARG_DVX("")), "\"\"");
}

TEST(ArgDorvex, PreviewOfTheFieldSelection)
{
    const QString argDvx = Quote_ARG_DVX(kExample);
    struct Case {
        QString codes;
        QString expected;
    } cases[] = {
        {"+0+9", quoted("DURAND;+9")},
        {"+1+0", quoted("Marie;DURAND")},
        {" +0 ", quoted(" DURAND; ")},
        {"+10", quoted("Marie;0")},
        {"*", AllFieldsForm(argDvx)},
        {"", quoted("")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codes.toStdString());
        EXPECT_EQ(PreviewArgDorvex(c.codes, argDvx), c.expected);
    }
}

TEST(ArgDorvex, ListingPromptAndQuestion)
{
    const QStringList fields = FieldList(Quote_ARG_DVX(kExample));
    const QString listing = "0 => DURAND\r\n1 => Marie\r\n2 => 14/02/1961\r\n3 => 2 rue Haute\r\n";
    EXPECT_EQ(FieldListing(fields), listing);
    EXPECT_EQ(FieldListing(FieldList(Quote_ARG_DVX(""))), "0 => \r\n");
    EXPECT_EQ(FieldSelectionPrompt(fields),
              "Entrez dans l'Ordre les Numéros de Champs précédés d'un signe \"+\" :\r\n\r\n"
              "- Par exemple : \"+3+5+0+12\"  ( * = tous)\r\n\r\n"
                  + listing);
    EXPECT_EQ(FieldSelectionQuestion("+0+9", "\"DURAND;+9\""),
              "CODES DES ARGUMENTS A PASSER AU PROGRAMME ? \r\n\r\n+0+9\r\n\r\n"
              "Correspondants à la chaine : \r\n\r\n\"DURAND;+9\"");
    EXPECT_EQ(kDefaultFieldCodes, "+0+1+2+3+4");
}
