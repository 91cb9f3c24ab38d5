#include "ui/Unit1.h"

#include "lib/ArgDorvex.h"
#include "lib/MenuFiles.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QWindow>

namespace tarvik {

TForm1 *Form1 = nullptr;

namespace {
const QString kClefCryptage = QStringLiteral("ù*µ$£;ê,!â?§");
}

TForm1::TForm1(const QStringList &arguments, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , ParamStr(arguments)
{
    setObjectName(QStringLiteral("Form1"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);
    resize(444, 270);
    move(0, 0);
    createActions();
    createLayout();
    createMenus();
    connectHandlers();
    // Files dropped anywhere on the window, its children included, reach dropEvent.
    setAcceptDrops(true);
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

QString TForm1::FileStem() const { return MenuFiles(MenuName()).fileStem(); }
QString TForm1::EntryFileName() const { return MenuFiles(MenuName()).entries(); }
QString TForm1::CheckFileName() const { return MenuFiles(MenuName()).checks(); }
QString TForm1::ButtonsFileName() const { return MenuFiles(MenuName()).buttons(); }

WindowHandle TForm1::ownHandle()
{
    if (!windowHandle())
        create();
    return windowHandle() ? WindowHandle(windowHandle()->winId()) : 0;
}

void TForm1::FormCreate()
{
    // The key that scrambles the passwords of the commands file.
    _CLEF_CRYPTAGE = kClefCryptage;
    // The menu's name: the first argument, upper-cased.
    const QString nameArgument = upperAscii(ParamStr.value(1));
    // The caller's field list, quoted; the clipboard gets it too, for the
    // programs the menu starts to paste.
    const QString callerArgument = ParamStr.value(2);
    _ARG_DVX = Quote_ARG_DVX(callerArgument);
    if (!callerArgument.isEmpty())
        QGuiApplication::clipboard()->setText(_ARG_DVX);
    // Shared by every menu started from the application folder.
    _Instances_INI = App_Path() + QStringLiteral("MENUS.instances.ini");
    // The title is the menu name, by which the other menus find this one;
    // without a name the menu is named after the executable.
    setWindowTitle(!nameArgument.isEmpty() ? nameArgument : ExtractNAME(platform().executablePath()));
    // Settings and option marks are kept under the menu name.
    _INI_FILE = MenuFiles(MenuName()).settings();

    // The native window exists from here on, with its title: the window
    // manager can tell its frame before it is shown, so that the position
    // below is the outer one from the first mapping on, and other menus can
    // find the window by its id.
    ownHandle();
    // The design position is that of the outer frame, the design size the client area's.
    const QMargins frame = windowFrame(*this, kFrameAnswerMs);
    setOuterGeometry(*this, 0, 0, width() + frame.left() + frame.right(), height() + frame.top() + frame.bottom());
    m_restoredOuter = outerGeometry(*this);

    // The position and the option marks, from one read of the settings file. One that is there but
    // cannot be read would otherwise be replaced by the design settings at
    // the next save.
    const IniFile settings(_INI_FILE);
    if (!settings.loadError().isEmpty()) {
        m_settingsLoadFailed = true;
        showErrorBox(settings.loadError());
    } else {
        if (settings.cutAtNul())
            announceKeptFile(_INI_FILE);
        runGuarded([&] {
            if (const QRect placed = readPosition(*this, settings); !placed.isNull())
                m_restoredOuter = placed;
        });
        runGuarded([&] { readComponents_CHECKED(*this, settings); });
    }
    // Joins the family of running menus in the instance file.
    runGuarded([this] { Instances_Register(); });

    // The entries, then their check lines (a missing line is unchecked). A
    // list that could not be read is never written back by this run.
    m_listLoadFailed = !runLoadStep([this] {
        if (QFileInfo::exists(EntryFileName())) {
            LineList entries;
            entries.loadFromFile(EntryFileName());
            ListBox1.Items = entries.lines;
            ListBox1.encoding = entries.encoding;
            entries.requireWhole(EntryFileName());
        }
    });
    if (!m_listLoadFailed) {
        m_listLoadFailed = !runLoadStep([this] {
            if (QFileInfo::exists(CheckFileName())) {
                LineList checks;
                checks.loadFromFile(CheckFileName());
                JvCheckListBox1->setTexts(checks.lines);
                JvCheckListBox1->encoding = checks.encoding;
                checks.requireWhole(CheckFileName());
            }
        });
    }
    while (JvCheckListBox1->Count() < ListBox1.Count())
        JvCheckListBox1->Add(QStringLiteral("0"));
    JvCheckListBox1->checkFromTexts(ListBox1.Count());

    // The button bar, from its own file.
    m_buttonsLoadFailed = !runLoadStep([this] { Create_BOUTONS(); });
}

void TForm1::FormActivate()
{
    _INI_FILE = MenuFiles(windowTitle()).settings();
}

void TForm1::Create_BOUTONS()
{
    const QString file = ButtonsFileName();
    if (!QFileInfo::exists(file))
        return;
    ListBox_BOUTONS.loadFromFile(file);
    if (!ListBox_BOUTONS.lines.isEmpty()) {
        btn_1->setText(ListBox_BOUTONS.lines.first());
        for (int i = 1; i < ListBox_BOUTONS.lines.size(); ++i)
            Button_Create(ListBox_BOUTONS.lines[i]);
    }
    ListBox_BOUTONS.requireWhole(file);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    bool proceed = false;
    runGuarded([&] { proceed = FormClose(); });
    if (proceed)
        event->accept();
    else
        event->ignore();
}

void TForm1::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

} // namespace tarvik
