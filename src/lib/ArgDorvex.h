#pragma once
// The caller's argument: the field list a calling application passes as the
// second command-line argument, and the field codes that pick fields of it
// for a launched program ("+0+1+2", or "*" for all of them).

#include <QString>
#include <QStringList>

namespace tarvik {

// The argument enclosed in double quotes, inner double quotes doubled; never
// empty (two double quotes without an argument).
QString Quote_ARG_DVX(const QString &argument);

// Every field of the quoted argument in double quotes, joined by ";".
QString AllFieldsForm(const QString &argDvx);

// The fields of the quoted argument, numbered from 0: the pieces between
// semicolons, taken exactly. A missing argument gives one empty field; a
// trailing ";" gives a last, empty field.
QStringList FieldList(const QString &argDvx);

// The command line a launch passes for the stored codes: the chosen fields
// between double quotes, or the all-fields form when the codes are "*" or do
// not all resolve.
QString Convert_ARG_DORVEX(const QString &s, const QString &argDvx);

// What the field selection shows for the codes: like the launch, but nothing
// is trimmed and unresolved codes stay in place between the fields.
QString PreviewArgDorvex(const QString &codes, const QString &argDvx);

// One line per field: "<number> => <field>\r\n".
QString FieldListing(const QStringList &fields);

// The prompt of the field selection, the listing of the fields appended.
QString FieldSelectionPrompt(const QStringList &fields);

// The seven-line question asked before the codes are stored.
QString FieldSelectionQuestion(const QString &codes, const QString &preview);

// The default codes the field selection always proposes.
inline const QString kDefaultFieldCodes = QStringLiteral("+0+1+2+3+4");

} // namespace tarvik
