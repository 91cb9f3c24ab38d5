// Files and folders dropped on the menu window: where each one ends up, the
// move into TARVIK of the documents folder, and the drop events themselves.
#include "UiTestSupport.h"
#include "QtPrinters.h"

#include "platform/Errors.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <ostream>

using namespace tarvik;
using tarvik::testing::MenuFixture;
using tarvik::testing::TestPlatform;

namespace {

const QString kQuestion = QStringLiteral("Déplacer ce ficher dans le dossier \"TARVIK\" de Mes Documents ?");

// A platform whose copy can be made to go wrong in the two ways a copy can.
class FaultyCopyPlatform : public TestPlatform {
public:
    enum class Fault { ShortCopy, Throws } fault = Fault::ShortCopy;
    bool copyFile(const QString &source, const QString &target, bool failIfExists) override
    {
        TestPlatform::copyFile(source, target, failIfExists);
        if (fault == Fault::Throws)
            throw Error(QStringLiteral("disque plein"));
        // Reports success over a copy that lost its second half.
        QFile in(source), out(target);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QByteArray all = in.readAll();
        out.write(all.left(all.size() / 2));
        return true;
    }
};

class Drop : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        for (const char *d : {"home/Bureau/sous", "home/Bureau2", "home/Documents", "ailleurs"})
            ASSERT_TRUE(QDir().mkpath(path(d)));
        useFolders(os);
    }

    void useFolders(TestPlatform &p)
    {
        p.exePath = os.exePath;
        p.home = path("home");
        p.desktop = path("home/Bureau");
        p.documents = path("home/Documents");
    }

    // Creates a file (and its folders) under the temporary directory; returns its path.
    QString make(const QString &relative, const QByteArray &content = "contenu du fichier")
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << relative.toStdString();
        f.write(content);
        return p;
    }

    static QByteArray contentOf(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    }

    QString tarvik(const QString &relative) const { return path("home/Documents/TARVIK/" + relative); }

    TForm1 &menu(bool moveOption)
    {
        TForm1 &f = startMenu("deposer");
        f.chk_MoveVersDoc->setChecked(moveOption);
        dialogs.records.clear();
        os.clearCalls();
        return f;
    }

    int questionsAsked() const
    {
        int n = 0;
        for (const auto &r : dialogs.records)
            if (r.text == kQuestion) {
                EXPECT_EQ(r.kind, "messageDlg");
                EXPECT_EQ(r.icon, "question");
                EXPECT_EQ(r.buttons, QStringList({"Oui", "Non"}));
                EXPECT_EQ(r.flags, unsigned(mbYes)); // Enter answers Yes
                ++n;
            }
        return n;
    }

    QStringList trashed(const TestPlatform &p) const
    {
        QStringList out;
        for (const auto &c : p.callsNamed("MoveToTrash"))
            out << c.args.value(0);
        return out;
    }
};

TEST_F(Drop, WhereEachDroppedFileEndsUp)
{
    enum Answer { None, Yes, No, Dismissed };
    struct Case {
        const char *source;  // under the temporary directory
        bool option;         // chk_MoveVersDoc
        Answer answer;       // None: no question may be asked
        const char *landsIn; // under Documents/TARVIK; null: stays where it lies
    } cases[] = {
        {"ailleurs/rapport.PDF", false, None, nullptr},
        {"home/Bureau/rapport.PDF", false, Yes, "PDF/rapport.PDF"},
        {"ailleurs/rapport.pdf", true, Yes, "PDF/rapport.pdf"},
        {"ailleurs/Rapport.PDF", true, Yes, "PDF/Rapport.PDF"},
        {"ailleurs/RAPPORT.Pdf", true, Yes, "PDF/RAPPORT.Pdf"},
        {"ailleurs/note.txt", true, Yes, "TXT/note.txt"},
        {"ailleurs/photo.Jpg", true, Yes, "JPG/photo.Jpg"},
        {"ailleurs/site.url", true, Yes, "URL/site.url"},
        {"ailleurs/lettre.docx", true, None, nullptr},
        {"ailleurs/image.jpeg", true, None, nullptr},
        {"ailleurs/outil.exe", true, None, nullptr},
        {"home/Bureau/LISEZMOI", false, Yes, "LISEZMOI"},
        {"home/Bureau/sous/outil.exe", false, Yes, "EXE/outil.exe"},
        {"home/Bureau/raccourci.lnk", false, Yes, "LNK/raccourci.lnk"},
        {"home/Bureau2/voisin.exe", false, None, nullptr},
        {"home/Bureau/rapport.PDF", false, No, nullptr},
        {"ailleurs/rapport.pdf", true, No, nullptr},
        {"home/Bureau/rapport.PDF", true, Dismissed, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.source) + (c.option ? " option on" : " option off"));
        QDir(tarvik("")).removeRecursively();
        const QByteArray content = QByteArray("contenu de ") + c.source;
        const QString source = make(c.source, content);
        TForm1 &f = menu(c.option);
        if (c.answer == Yes)
            dialogs.answer(mrYes);
        else if (c.answer == No)
            dialogs.answer(mrNo);
        else if (c.answer == Dismissed)
            dialogs.answer(mrCancel);

        f.JvDragDrop1Drop({source});

        EXPECT_EQ(questionsAsked(), c.answer == None ? 0 : 1);
        EXPECT_EQ(int(dialogs.records.size()), c.answer == None ? 0 : 1) << dialogs.texts().join(" | ").toStdString();
        const QString expected = c.landsIn ? tarvik(c.landsIn) : source;
        EXPECT_EQ(f.ListBox1.Items, QStringList{expected});
        EXPECT_EQ(f.JvCheckListBox1->Texts().value(0), "0");
        EXPECT_EQ(contentOf(expected), content);
        EXPECT_EQ(QFileInfo::exists(source), c.landsIn == nullptr);
        EXPECT_EQ(trashed(os), c.landsIn ? QStringList{source} : QStringList());
        if (!c.landsIn)
            EXPECT_TRUE(os.callsNamed("CopyFile").empty());
    }
}

TEST_F(Drop, ExistingTargetIsOverwritten)
{
    make("home/Documents/TARVIK/PDF/facture.pdf", "ancienne facture");
    const QString source = make("home/Bureau/facture.pdf", "nouvelle facture");
    TForm1 &f = menu(false);
    f.JvDragDrop1Drop({source});
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(contentOf(tarvik("PDF/facture.pdf")), "nouvelle facture");
    EXPECT_EQ(f.ListBox1.Items, QStringList{tarvik("PDF/facture.pdf")});
    EXPECT_FALSE(QFileInfo::exists(source));
    ASSERT_EQ(os.callsNamed("CopyFile").size(), 1u);
    EXPECT_EQ(os.callsNamed("CopyFile")[0].args, QStringList({source, tarvik("PDF/facture.pdf"), "0"}));
}

TEST_F(Drop, FoldersStayWhereTheyAre)
{
    make("ailleurs/archives.pdf/dedans.txt", "garde-moi");
    make("home/Bureau/projets/plan.txt", "garde-moi aussi");
    const QString namedLikeDocument = path("ailleurs/archives.pdf");
    const QString onDesktop = path("home/Bureau/projets");
    TForm1 &f = menu(true);
    f.JvDragDrop1Drop({namedLikeDocument, onDesktop});
    // The folder named like a document is asked about, its copy fails, and
    // it is added where it is; the desktop folder is not a file: no question.
    EXPECT_EQ(questionsAsked(), 1);
    EXPECT_EQ(f.ListBox1.Items, QStringList({namedLikeDocument, onDesktop}));
    EXPECT_EQ(contentOf(namedLikeDocument + "/dedans.txt"), "garde-moi");
    EXPECT_EQ(contentOf(onDesktop + "/plan.txt"), "garde-moi aussi");
    EXPECT_TRUE(trashed(os).isEmpty());
}

TEST_F(Drop, SeveralFilesGiveUncheckedEntriesAndOneRebuild)
{
    writeFile("DEPOSER.items.txt", "/opt/premier\r\n/opt/second\r\n");
    writeFile("DEPOSER.items.checked.txt", "-1\r\n-1\r\n");
    const QStringList dropped = {make("ailleurs/un.exe"), make("ailleurs/deux.exe"), make("ailleurs/un.exe")};
    TForm1 &f = menu(true);
    int rebuilds = 0;
    QObject::connect(f.ValueListEditor1->gridModel(), &QAbstractItemModel::modelReset, [&] { ++rebuilds; });

    f.JvDragDrop1Drop(dropped);

    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(f.ListBox1.Items, QStringList({"/opt/premier", "/opt/second"}) + dropped);
    ASSERT_GE(f.JvCheckListBox1->Count(), 5);
    EXPECT_EQ(f.JvCheckListBox1->Texts().mid(0, 5), QStringList({"-1", "-1", "0", "0", "0"}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.JvCheckListBox1->Checked(i), i < 2) << i;
    EXPECT_EQ(f.ValueListEditor1->RowCount(), 5);
    EXPECT_EQ(f.pointedRow(), 0);
    EXPECT_TRUE(dialogs.records.empty());
}

TEST_F(Drop, AfterSortByNameDroppedEntriesLandAtTheirPlaces)
{
    const QString zebre = make("ailleurs/zebre.exe"), alpha = make("ailleurs/alpha.exe");
    writeFile("DEPOSER.items.txt", (zebre + "\r\n" + alpha + "\r\n").toUtf8());
    writeFile("DEPOSER.items.checked.txt", "-1\r\n0\r\n");
    TForm1 &f = menu(true);
    f.trIER1Click();
    ASSERT_EQ(f.ListBox1.Items, QStringList({alpha, zebre}));

    const QString milieu = make("ailleurs/Milieu.exe"), beta = make("ailleurs/beta.exe");
    f.JvDragDrop1Drop({milieu, beta});

    EXPECT_EQ(f.ListBox1.Items, QStringList({alpha, beta, milieu, zebre}));
    ASSERT_GE(f.JvCheckListBox1->Count(), 4);
    EXPECT_EQ(f.JvCheckListBox1->Texts().mid(0, 4), QStringList({"0", "0", "0", "-1"}));
    EXPECT_TRUE(f.JvCheckListBox1->Checked(3));
}

TEST_F(Drop, WithoutDocumentsFolderNothingIsOffered)
{
    os.documents.clear();
    const QString onDesktop = make("home/Bureau/rapport.pdf");
    TForm1 &f = menu(true);
    f.JvDragDrop1Drop({onDesktop});
    EXPECT_TRUE(dialogs.records.empty());
    EXPECT_EQ(f.ListBox1.Items, QStringList{onDesktop});
    EXPECT_TRUE(QFileInfo::exists(onDesktop));
    EXPECT_TRUE(os.callsNamed("CopyFile").empty());
    EXPECT_FALSE(QFileInfo::exists(path("TARVIK")));
}

TEST_F(Drop, FileAlreadyInItsPlaceIsLeftAlone)
{
    const QString inPlace = make("home/Documents/TARVIK/PDF/classe.pdf", "déjà rangé");
    TForm1 &f = menu(true);
    f.JvDragDrop1Drop({inPlace});
    EXPECT_TRUE(dialogs.records.empty());
    EXPECT_EQ(f.ListBox1.Items, QStringList{inPlace});
    EXPECT_EQ(contentOf(inPlace), "déjà rangé");
    EXPECT_TRUE(trashed(os).isEmpty());
}

// A file whose name holds a line break is refused by name before anything
// happens to it: no question, no move, no entry; the other files of the
// drop are added.
TEST_F(Drop, AFileNamedWithALineBreakIsRefusedAndLeftWhereItLies)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a file name with a line break cannot exist on Windows";
#endif
    const QString crOnDesktop = make("home/Bureau/deux\rlignes.pdf", "cr");
    const QString lfElsewhere = make("ailleurs/note\n.txt", "lf");
    const QString fine = make("ailleurs/bon.exe", "ok");
    TForm1 &f = menu(true);
    f.JvDragDrop1Drop({crOnDesktop, lfElsewhere, fine});
    EXPECT_EQ(questionsAsked(), 0);
    EXPECT_EQ(f.ListBox1.Items, QStringList{fine});
    EXPECT_EQ(contentOf(crOnDesktop), "cr");
    EXPECT_EQ(contentOf(lfElsewhere), "lf");
    EXPECT_TRUE(os.callsNamed("CopyFile").empty());
    EXPECT_TRUE(trashed(os).isEmpty());
    ASSERT_EQ(dialogs.records.size(), 2u);
    const QString shown[] = {path("home/Bureau/deux\u21B5lignes.pdf"), path("ailleurs/note\u21B5.txt")};
    const QString dropped[] = {crOnDesktop, lfElsewhere};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(dialogs.records[i].caption, "ERREUR#749: TForm1.JvDragDrop1Drop");
        EXPECT_EQ(dialogs.records[i].text, "L'entrée « " + shown[i]
                                               + " » contient un saut de ligne : le menu garde chaque entrée sur une "
                                                 "ligne de son fichier, elle ne peut donc pas y être ajoutée.\r\n\r\n"
                                               + dropped[i]);
    }
}

TEST_F(Drop, FailedMovesKeepTheFileAndItsPath)
{
    // The documents folder holds a file named TARVIK: no folder can be made there.
    {
        make("home/Documents/TARVIK", "un fichier, pas un dossier");
        const QString source = make("home/Bureau/bloque.pdf", "intact");
        TForm1 &f = menu(false);
        f.JvDragDrop1Drop({source});
        ASSERT_EQ(dialogs.records.size(), 2u);
        EXPECT_EQ(dialogs.records[1].kind, "messageBox");
        EXPECT_EQ(dialogs.records[1].caption, "ERREUR#743 : CREATION DOSSIER CIBLE");
        EXPECT_EQ(dialogs.records[1].text, tarvik("PDF/"));
        EXPECT_EQ(f.ListBox1.Items, QStringList{source});
        EXPECT_EQ(contentOf(source), "intact");
        EXPECT_TRUE(os.callsNamed("CopyFile").empty());
        QFile::remove(path("home/Documents/TARVIK"));
    }
    // A copy that reports success but is shorter than its source, and a copy that raises.
    for (auto fault : {FaultyCopyPlatform::Fault::ShortCopy, FaultyCopyPlatform::Fault::Throws}) {
        const bool throws = fault == FaultyCopyPlatform::Fault::Throws;
        SCOPED_TRACE(throws ? "copy raises" : "short copy");
        FaultyCopyPlatform faulty;
        useFolders(faulty);
        faulty.fault = fault;
        const QString source = make("home/Bureau/gros.pdf", QByteArray(4096, 'x'));
        TForm1 &f = menu(false);
        f.JvDragDrop1Drop({source});
        EXPECT_EQ(questionsAsked(), 1);
        EXPECT_EQ(faulty.callsNamed("CopyFile").size(), 1u);
        EXPECT_TRUE(trashed(faulty).isEmpty());
        EXPECT_EQ(contentOf(source), QByteArray(4096, 'x'));
        EXPECT_EQ(f.ListBox1.Items, QStringList{source});
        if (throws) {
            ASSERT_EQ(dialogs.records.size(), 2u);
            EXPECT_EQ(dialogs.records[1].caption, "ERREUR#746 :  FILE_Move(source, cible);");
            EXPECT_EQ(dialogs.records[1].text, "disque plein\r\n\r\n" + source + "\r\n" + tarvik("PDF/gros.pdf"));
        } else {
            EXPECT_EQ(dialogs.records.size(), 1u);
        }
    }
}

// ---- the drop events -------------------------------------------------------

QMimeData *uriList(const QList<QUrl> &urls)
{
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

TEST_F(Drop, WindowTakesLocalFilesDroppedAnywhere)
{
    TForm1 &f = menu(false);
    EXPECT_TRUE(f.acceptDrops());
    // No child may take a drop for itself: the window receives it wherever it falls.
    for (QWidget *child : f.findChildren<QWidget *>())
        EXPECT_FALSE(child->acceptDrops()) << child->metaObject()->className() << " "
                                            << child->objectName().toStdString();

    const QString file = make("ailleurs/prog.exe");
    const QString folder = path("ailleurs");
    struct Case {
        QList<QUrl> urls;
        Qt::DropActions offered;
        bool accepted;
        Qt::DropAction action;
    } enters[] = {
        {{QUrl::fromLocalFile(file)}, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, true, Qt::CopyAction},
        {{QUrl::fromLocalFile(file)}, Qt::MoveAction | Qt::LinkAction, true, Qt::LinkAction},
        {{QUrl::fromLocalFile(file)}, Qt::MoveAction, false, Qt::IgnoreAction},
        {{QUrl("https://example.org/page.html")}, Qt::CopyAction, false, Qt::IgnoreAction},
        {{}, Qt::CopyAction, false, Qt::IgnoreAction},
    };
    for (const Case &c : enters) {
        std::unique_ptr<QMimeData> data(uriList(c.urls));
        QDragEnterEvent enter(QPoint(10, 10), c.offered, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << int(c.offered);
        if (c.accepted)
            EXPECT_EQ(enter.dropAction(), c.action);
    }

    std::unique_ptr<QMimeData> data(
        uriList({QUrl::fromLocalFile(file), QUrl("https://example.org/"), QUrl::fromLocalFile(folder + "/")}));
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    // The entries come once the drop event has returned to the file manager.
    QCoreApplication::processEvents();
    EXPECT_EQ(f.ListBox1.Items, QStringList({file, folder}));
}

} // namespace
