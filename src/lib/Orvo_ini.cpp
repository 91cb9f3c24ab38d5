#include "lib/Orvo_ini.h"

#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/LineFile.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QWidget>

namespace tarvik {

namespace {

QString orDefault(const QString &file) { return file.isEmpty() ? Get_IniFileName() : file; }

bool isHeaderLine(const QString &line)
{
    const QString t = line.trimmed();
    return t.size() >= 3 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

// The option marks of a form, in the order of its component list.
QList<QObject *> optionMarks(QWidget &form)
{
    QList<QObject *> out;
    for (QObject *o : form.findChildren<QObject *>()) {
        if (!o->objectName().startsWith(QLatin1String("chk_")))
            continue;
        if (auto *a = qobject_cast<QAction *>(o); a && a->isCheckable())
            out << o;
        else if (auto *b = qobject_cast<QAbstractButton *>(o); b && b->isCheckable())
            out << o;
    }
    return out;
}

bool isMarkChecked(QObject *o)
{
    if (auto *a = qobject_cast<QAction *>(o))
        return a->isChecked();
    return static_cast<QAbstractButton *>(o)->isChecked();
}

void setMarkChecked(QObject *o, bool on)
{
    if (auto *a = qobject_cast<QAction *>(o))
        a->setChecked(on);
    else
        static_cast<QAbstractButton *>(o)->setChecked(on);
}

} // namespace

QString upperAscii(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return out;
}

QString App_Path() { return platform().applicationDirectory(); }

QString ExeName(bool EnMajuscules)
{
    const QString exe = platform().executablePath();
    QString name = exe.mid(exe.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return EnMajuscules ? upperAscii(name) : name;
}

QString Get_IniFileName()
{
    // Beside the menus, which is beside the executable for a portable copy:
    // an installed one may not write into its own folder.
    return App_Path() + ExeName(false) + QStringLiteral(".INI");
}

QString GetStr(const QString &Rubrique, const QString &Titre, const QString &Valeur_Defaut, const QString &Fichier)
{
    return IniFile(orDefault(Fichier)).readString(Rubrique, Titre, Valeur_Defaut);
}

void SaveStr(const QString &Rubrique, const QString &Titre, const QString &Valeur, const QString &Fichier)
{
    IniFile ini(orDefault(Fichier));
    ini.writeString(Rubrique, Titre, Valeur);
    ini.save();
}

bool iniValueToBool(const QString &value, bool defaultValue)
{
    const QString v = value.trimmed();
    bool ok = false;
    qlonglong n = 0;
    if (v.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        n = v.mid(2).toLongLong(&ok, 16);
    else
        n = v.toLongLong(&ok, 10);
    return ok ? n != 0 : defaultValue;
}

bool GetBool(const QString &Rubrique, const QString &Titre, bool Valeur_Defaut, const QString &Fichier)
{
    const auto v = IniFile(orDefault(Fichier)).value(Rubrique, Titre);
    return v ? iniValueToBool(*v, Valeur_Defaut) : Valeur_Defaut;
}

void SaveBool(const QString &Rubrique, const QString &Titre, bool Valeur, const QString &Fichier)
{
    SaveStr(Rubrique, Titre, Valeur ? QStringLiteral("1") : QStringLiteral("0"), Fichier);
}

QString PositionString(QWidget &F)
{
    const QRect outer = outerGeometry(F);
    return QStringLiteral("%1:%2:%3:%4").arg(outer.left()).arg(outer.top()).arg(outer.width()).arg(outer.height());
}

void writePosition(QWidget &F, IniFile &ini)
{
    ini.writeString(ExeName(false), F.objectName(), PositionString(F));
}

void SavePosition(QWidget &F, const QString &Inifile)
{
    IniFile ini(orDefault(Inifile));
    writePosition(F, ini);
    ini.save();
}

void GetPosition(QWidget &F, const QString &Inifile) { readPosition(F, IniFile(orDefault(Inifile))); }

QRect readPosition(QWidget &F, const IniFile &ini)
{
    const QRect area = platform().workArea();
    const QRect current = outerGeometry(F);
    const QStringList pieces = Split(ini.readString(ExeName(false), F.objectName(), PositionString(F)), QStringLiteral(":"));
    // Anything but four whole numbers keeps the window where it is.
    if (pieces.size() < 4)
        return QRect();
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = pieces[i].trimmed().toInt(&ok);
        if (!ok)
            return QRect();
    }
    int left = v[0], top = v[1], width = v[2], height = v[3];
    if (left > area.width())
        left = area.width() - current.width();
    if (top < 0)
        top = 0;
    if (area.width() < width)
        width = area.width();
    if (area.height() < height)
        height = area.height();
    setOuterGeometry(F, left, top, width, height);
    return QRect(left, top, width, height);
}

void writeComponents_CHECKED(QWidget &form, IniFile &ini)
{
    for (QObject *o : optionMarks(form))
        ini.writeString(QStringLiteral("OPTIONS"), o->objectName(),
                        isMarkChecked(o) ? QStringLiteral("1") : QStringLiteral("0"));
}

void SaveComponents_CHECKED(QWidget &form, const QString &Inifile)
{
    IniFile ini(orDefault(Inifile));
    writeComponents_CHECKED(form, ini);
    ini.save();
}

void GetComponents_CHECKED(QWidget &form, const QString &Inifile)
{
    readComponents_CHECKED(form, IniFile(orDefault(Inifile)));
}

void readComponents_CHECKED(QWidget &form, const IniFile &ini)
{
    for (QObject *o : optionMarks(form)) {
        const auto v = ini.value(QStringLiteral("OPTIONS"), o->objectName());
        const bool current = isMarkChecked(o);
        setMarkChecked(o, v ? iniValueToBool(*v, current) : current);
    }
}

QStringList formatIniLines(const QStringList &lines, bool Saut_Apres)
{
    QStringList out;
    out.reserve(lines.size() * 2);
    // Every run of empty lines, those added around the headers included,
    // comes out as one empty line: a second run then finds nothing to do.
    const auto addEmpty = [&out] {
        if (!out.isEmpty() && !out.back().isEmpty())
            out << QString();
    };
    for (const QString &l : lines) {
        if (l.isEmpty()) {
            addEmpty();
        } else if (isHeaderLine(l)) {
            addEmpty();
            out << l;
            if (Saut_Apres)
                addEmpty();
        } else {
            out << l;
        }
    }
    return out;
}

void Inifile_Formate(const QString &Inifile, bool Saut_Apres)
{
    const QString path = orDefault(Inifile);
    if (!QFileInfo::exists(path))
        return;
    LineList list;
    list.loadFromFile(path);
    list.requireWhole(path);
    list.lines = formatIniLines(list.lines, Saut_Apres);
    list.saveToFile(path);
}

TarrayOfString Split(const QString &chaine, const QString &separateur)
{
    TarrayOfString out;
    if (separateur.isEmpty()) {
        if (!chaine.isEmpty())
            out << chaine;
        return out;
    }
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = chaine.indexOf(separateur, start);
        if (at < 0)
            break;
        out << chaine.mid(start, at - start);
        start = at + separateur.size();
    }
    if (start < chaine.size())
        out << chaine.mid(start);
    return out;
}

void sm(const QString &s)
{
    dialogs().messageDlg(s, MsgDlgType::mtCustom, mbOK);
}

void ShellURL(const QString &URL)
{
    platform().shellExecute(0, QStringLiteral("OPEN"), URL, QString(), QString(), SW_SHOW);
}

} // namespace tarvik
