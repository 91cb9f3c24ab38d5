// The folder menu opens the file manager on the right folder; the help menu
// shows its texts and opens the maker's pages.
#include "UiTestSupport.h"

#include "lib/MakerPages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

using namespace tarvik;
using namespace tarvik::testing;

namespace {

using ActionMember = QAction *TForm1::*;

class FoldersTest : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        root = dir.path();
        // A home of its own, with the folders the items point at.
        os.home = root + QStringLiteral("/home/jean");
        os.desktop = os.home + QStringLiteral("/Bureau");
        os.documents = os.home + QStringLiteral("/Documents");
        os.system = root + QStringLiteral("/usr/bin");
        os.registry[QStringLiteral("ProgramFilesDir")] = root + QStringLiteral("/opt");
        for (const QString &d : {os.desktop, os.documents + QStringLiteral("/TARVIK"), os.system,
                                 root + QStringLiteral("/opt/Dorvex"), root + QStringLiteral("/opt/outils")})
            ASSERT_TRUE(QDir().mkpath(d)) << d.toStdString();
    }

    TForm1 &start()
    {
        TForm1 &f = startMenu(QStringLiteral("DOSSIERS"));
        os.clearCalls();
        dialogs.records.clear();
        return f;
    }

    // The folders the file manager was asked to show.
    QStringList explored() const
    {
        QStringList out;
        for (const auto &c : os.callsNamed(QStringLiteral("ShellExecute")))
            out << c.args.value(2);
        return out;
    }

    QStringList errorTexts() const
    {
        QStringList out;
        for (const auto &r : dialogs.records)
            out << r.text;
        return out;
    }

    QString root;
};

TEST_F(FoldersTest, EachFolderItemOpensItsFolderWithExplore)
{
    TForm1 &f = start();
    f.addEntry(root + QStringLiteral("/opt/outils/edit"));
    f.RempliMENU();
    f.ValueListEditor1->setRow(0);

    const struct {
        const char *name;
        ActionMember item;
        QString folder;
    } cases[] = {
        {"Documents du Tarvik", &TForm1::MenuItem27, os.documents + QStringLiteral("/TARVIK")},
        {"Client Dorvex", &TForm1::MenuItem21, root + QStringLiteral("/opt/Dorvex")},
        {"Bureau", &TForm1::MenuItem24, os.desktop + u'/'},
        {"Program Files", &TForm1::MenuItem25, root + QStringLiteral("/opt")},
        {"Mes documents", &TForm1::MenuItem26, os.documents},
        {"System", &TForm1::MenuItem28, os.system},
        // The application folder already ends in "/": reducing it changes nothing.
        {"Chemin de l'application", &TForm1::MenuItem30, root + u'/'},
        // The pointed entry is reduced to its folder.
        {"Chemin du programme appelé", &TForm1::MenuItem19, root + QStringLiteral("/opt/outils/")},
    };
    for (const auto &c : cases) {
        os.clearCalls();
        (f.*c.item)->trigger();
        const auto calls = os.callsNamed(QStringLiteral("ShellExecute"));
        ASSERT_EQ(calls.size(), 1u) << c.name;
        EXPECT_EQ(calls[0].args,
                  (QStringList{QString::number(f.ownHandle()), QStringLiteral("EXPLORE"), c.folder, QString(),
                               QString(), QString::number(SW_SHOWNORMAL)}))
            << c.name;
        EXPECT_TRUE(QFileInfo(c.folder).isDir()) << c.name;
    }
    EXPECT_NE(f.ownHandle(), 0u);
    EXPECT_TRUE(dialogs.records.empty()) << errorTexts().join(u'|').toStdString();
}

TEST_F(FoldersTest, ClientDorvexAddsOneSeparatorToProgramFiles)
{
    TForm1 &f = start();
    for (const QString &programFiles : {root + QStringLiteral("/opt"), root + QStringLiteral("/opt/")}) {
        os.registry[QStringLiteral("ProgramFilesDir")] = programFiles;
        os.clearCalls();
        f.MenuItem21->trigger();
        EXPECT_EQ(explored(), QStringList{root + QStringLiteral("/opt/Dorvex")}) << programFiles.toStdString();
    }
    EXPECT_TRUE(dialogs.records.empty());
}

TEST_F(FoldersTest, ServeurDorvexOpensTheFixedFolderOnlyWhenItExists)
{
    TForm1 &f = start();
    f.MenuItem22->trigger();
    if (QFileInfo(QStringLiteral("/dorvex/")).isDir()) {
        EXPECT_EQ(explored(), QStringList{QStringLiteral("/dorvex/")});
        EXPECT_TRUE(dialogs.records.empty());
    } else {
        EXPECT_TRUE(explored().isEmpty());
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_TRUE(dialogs.last().text.contains(QStringLiteral("/dorvex/")));
    }
}

TEST_F(FoldersTest, AMissingFolderIsReportedAndNothingOpens)
{
    const struct {
        const char *name;
        ActionMember item;
        std::function<void()> breakIt;
        QString mentioned; // a part of the message
    } cases[] = {
        {"Documents du Tarvik sans dossier Tarvik", &TForm1::MenuItem27,
         [this] { QDir(os.documents + QStringLiteral("/TARVIK")).removeRecursively(); },
         QStringLiteral("/Documents/TARVIK")},
        {"Client Dorvex sans Dorvex", &TForm1::MenuItem21,
         [this] { QDir(root + QStringLiteral("/opt/Dorvex")).removeRecursively(); },
         QStringLiteral("/opt/Dorvex")},
        {"Bureau absent du bureau", &TForm1::MenuItem24, [this] { os.desktop.clear(); },
         QStringLiteral("introuvable")},
        {"Mes documents absent", &TForm1::MenuItem26, [this] { os.documents.clear(); },
         QStringLiteral("introuvable")},
        {"Program Files illisible", &TForm1::MenuItem25, [this] { os.registry.clear(); },
         QStringLiteral("La clé de registre ne peut pas être lue.")},
        {"Client Dorvex, Program Files illisible", &TForm1::MenuItem21,
         [this] { os.registry.clear(); }, QStringLiteral("La clé de registre ne peut pas être lue.")},
        {"System sans dossier système", &TForm1::MenuItem28, [this] { os.system.clear(); },
         QStringLiteral("système")},
        {"Entrée sans dossier", &TForm1::MenuItem19,
         [this] {
             form().addEntry(QStringLiteral("edit"));
             form().RempliMENU();
             form().ValueListEditor1->setRow(0);
         },
         QStringLiteral("introuvable")},
        {"Entrée dans un dossier disparu", &TForm1::MenuItem19,
         [this] {
             form().addEntry(root + QStringLiteral("/disparu/edit"));
             form().RempliMENU();
             form().ValueListEditor1->setRow(0);
         },
         QStringLiteral("/disparu/")},
    };
    for (const auto &c : cases) {
        SetUp(); // fresh folders for each case
        TForm1 &f = start();
        c.breakIt();
        (f.*c.item)->trigger();
        EXPECT_TRUE(explored().isEmpty()) << c.name;
        ASSERT_EQ(dialogs.records.size(), 1u) << c.name;
        EXPECT_EQ(dialogs.last().icon, QStringLiteral("error")) << c.name;
        EXPECT_TRUE(dialogs.last().text.contains(c.mentioned))
            << c.name << ": " << dialogs.last().text.toStdString();
    }
}

// "Documents du Tarvik" opens the very folder whose subfolders receive the
// dropped documents, not a folder of a name that differs only in case.
TEST_F(FoldersTest, DocumentsDuTarvikOpensTheFolderThatDropsFill)
{
    ASSERT_TRUE(QDir(os.documents + QStringLiteral("/TARVIK")).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(os.documents + QStringLiteral("/Tarvik")));
    const QString source = root + QStringLiteral("/depot/lettre.pdf");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/depot")));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF");
    }
    TForm1 &f = start();
    f.chk_MoveVersDoc->setChecked(true);
    dialogs.answer(mrYes);
    f.JvDragDrop1Drop({source});
    ASSERT_EQ(f.ListBox1.Count(), 1);
    const QString moved = f.ListBox1.Items[0];
    ASSERT_NE(moved, source);
    ASSERT_TRUE(QFileInfo(moved).isFile()) << moved.toStdString();
    const QString typeFolder = QFileInfo(moved).absolutePath();

    os.clearCalls();
    dialogs.records.clear();
    f.MenuItem27->trigger();
    ASSERT_EQ(explored().size(), 1) << errorTexts().join(u'|').toStdString();
    EXPECT_EQ(explored()[0], QFileInfo(typeFolder).absolutePath());
    EXPECT_EQ(QFileInfo(typeFolder).fileName(), QStringLiteral("PDF"));
    EXPECT_TRUE(dialogs.records.empty()) << errorTexts().join(u'|').toStdString();
}

TEST_F(FoldersTest, ThePointedEntryWithoutEntryOpensNothingAndSaysNothing)
{
    TForm1 &f = start();
    ASSERT_EQ(f.ListBox1.Count(), 0);
    f.MenuItem19->trigger();
    EXPECT_TRUE(os.callsNamed(QStringLiteral("ShellExecute")).empty());
    EXPECT_TRUE(dialogs.records.empty());
}

// A title, its rule of "=" and the body.
QString helpText(const QString &title, int rule, const QString &body)
{
    return title + QStringLiteral("\r\n") + QString(rule, u'=') + QStringLiteral("\r\n\r\n") + body;
}

TEST_F(FoldersTest, EachHelpItemShowsItsTextInAnInformationDialog)
{
    TForm1 &f = start();
    const struct {
        ActionMember item;
        QString title;
        int rule;
        QString body;
    } cases[] = {
        {&TForm1::mnuAide_AddProg, QStringLiteral("AJOUTER UN PROGRAMME"), 20,
         QStringLiteral("Pour ajouter un Programme, un document ou une URL\r\nIl suffit de le déposer sur le MENU\r\n\r\n"
                        "Le Menu \"Chercher un programme\" permet d'ouvrir rapidement les Dossiers Windows qui "
                        "contiennent les programmes")},
        {&TForm1::mnu_Aide_Run, QStringLiteral("LANCER UN PROGRAMME OU OUVRIR UN FICHIER"), 40,
         QStringLiteral("Sélectionner une entrée en cliquant sur son EXTENSION\r\nL'extension se met en surbrillance"
                        "\r\n\r\n- DOUBLE-CLIC pour lancer\r\n\r\n- Ou Clic Droit + LANCER\r\n- Ou touche F5")},
        {&TForm1::mnuAide_AddMenu, QStringLiteral("AJOUTER UN SOUS MENU :"), 22,
         QStringLiteral("Clic droit un Bouton\r\n- Ajouter un sous menu\r\n- Ou Touche F4\r\n\r\nPuis cliquer sur le "
                        "Nouveau Bouton\r\nNommer le Bouton\r\n\r\nUn nouveau Menu sera créé au nom du Bouton")},
        {&TForm1::mnuAide_POS, QStringLiteral("GERER L'EMPLACEMENT ET LA SUPERPOSITION DES MENUS"), 50,
         QStringLiteral("Chaque menu s'ouvre toujours dans la position mémorisée à sa fermeture\r\n\r\nIl suffit de "
                        "DIMENSIONNER et de POSITIONNER chaque menu\r\nPour gérer son emplacement ")},
        {&TForm1::Aproposedelasuppressiondesentres1, QStringLiteral("A PROPOS DE LA SUPPRESSION D'UN SOUS MENU"), 42,
         QStringLiteral("Supprimer le BOUTON d'un sous menu n'efface pas le menu du Disque\r\nLe bouton n'apparait plus "
                        "au menu principal\r\n\r\nPour régénérer un sous menu supprimé, il suffit de recréer un nouveau "
                        "bouton du même NOM\r\n\r\nLa liste des sous menus disponibles se trouve dans le dossier de "
                        "l'application (menu: \"Rechercher un dossier\"")},
    };
    for (const auto &c : cases) {
        dialogs.records.clear();
        (f.*c.item)->trigger();
        ASSERT_EQ(dialogs.records.size(), 1u) << c.title.toStdString();
        const DialogRecord &r = dialogs.last();
        EXPECT_EQ(r.kind, QStringLiteral("messageDlg"));
        EXPECT_EQ(r.icon, QStringLiteral("information"));
        EXPECT_EQ(r.buttons, QStringList{QStringLiteral("OK")});
        EXPECT_EQ(r.text, helpText(c.title, c.rule, c.body)) << r.text.toStdString();
    }
    // The rules: as long as the title in the first three texts, one longer in the last two.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(cases[i].rule, cases[i].title.size() + (i >= 3 ? 1 : 0)) << i;
    EXPECT_TRUE(os.callsNamed(QStringLiteral("ShellExecute")).empty());
}

TEST_F(FoldersTest, TheWebItemsOpenTheMakersPages)
{
    TForm1 &f = start();
    const struct {
        ActionMember item;
        QString address;
    } cases[] = {
        {&TForm1::mnuAide_ligne, MakerUpdatePage},
        {&TForm1::Enligne20191, MakerOnlinePage},
    };
    for (const auto &c : cases) {
        os.clearCalls();
        (f.*c.item)->trigger();
        const auto calls = os.callsNamed(QStringLiteral("ShellExecute"));
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].args, (QStringList{QStringLiteral("0"), QStringLiteral("OPEN"), c.address, QString(),
                                              QString(), QString::number(SW_SHOW)}));
        EXPECT_TRUE(c.address.startsWith(QStringLiteral("https://"))) << c.address.toStdString();
    }
    EXPECT_NE(MakerUpdatePage, MakerOnlinePage);
    EXPECT_TRUE(dialogs.records.empty());
}

} // namespace
