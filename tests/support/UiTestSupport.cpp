#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>

namespace tarvik::testing {

void ensureApplication()
{
    if (QApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "tarvik-tests";
    static char *argv[] = {arg0, nullptr};
    new QApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
}

void MenuFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    os.exePath = dir.filePath(QStringLiteral("tarvik"));
}

void MenuFixture::TearDown()
{
    for (auto &f : m_forms)
        f->hide();
    m_forms.clear();
}

QString MenuFixture::path(const QString &name) const { return dir.filePath(name); }

void MenuFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    f.write(bytes);
}

QByteArray MenuFixture::readFile(const QString &name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool MenuFixture::fileExists(const QString &name) const { return QFile::exists(path(name)); }

TForm1 &MenuFixture::startMenu(const QString &name, const QString &arg2, bool show)
{
    QStringList args{os.exePath};
    if (!name.isNull() || !arg2.isNull())
        args << name;
    if (!arg2.isNull())
        args << arg2;
    m_forms.push_back(std::make_unique<TForm1>(args));
    TForm1 &f = *m_forms.back();
    f.FormCreate();
    if (show)
        f.show();
    return f;
}

} // namespace tarvik::testing
