// Adding entries by dropping files and folders on the window. Documents can
// be moved on the way into the folder TARVIK of the user's documents, one
// subfolder per file type, so that the menu's entries outlive a tidy desktop.
#include "ui/Unit1.h"

#include "lib/Orvo_DIR.h"
#include "lib/Orvo_Dialogs.h"
#include "lib/Orvo_FILE.h"
#include "lib/Orvo_WIN.h"
#include "lib/PathParts.h"
#include "lib/Orvo_ini.h"
#include "platform/Errors.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace tarvik {

namespace {

// Types whose files are offered the move while chk_MoveVersDoc is on.
const QStringList kDocumentTypes = {QStringLiteral(".DOC"), QStringLiteral(".TXT"), QStringLiteral(".PDF"),
                                    QStringLiteral(".JPG"), QStringLiteral(".PNG"), QStringLiteral(".URL")};

// The extension of the file-name part, dot included, upper-cased (a to z
// only); empty when the name has no dot.
QString upperExtension(const QString &path)
{
    return upperAscii(PathParts(path, SeparatorRule::Local).suffix());
}

// Whether the path lies on the desktop or in one of its subfolders. Linux
// file names are case-sensitive: "bureau" beside "Bureau" is another folder.
bool liesOnDesktop(const QString &path)
{
    const QString desktop = GetDesktopDir();
    return !desktop.isEmpty() && path.startsWith(desktop);
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Offers to move the file into TARVIK/<TYPE>/ of the documents folder; on
// return path names where the entry must point.
void MoveVers_MesDocs(QString &path)
{
    const QString S = path;
    const QString tarvikDocuments = GetTarvikDocumentsDir();
    // Without a documents folder the target would land at the root of the
    // file system: the file is left where it lies.
    if (tarvikDocuments.isEmpty())
        return;

    // A name without extension (or ending in a lone dot) goes into TARVIK itself.
    QString X = upperExtension(S);
    if (X.size() > 1)
        X.remove(0, 1);
    const QString Folder = QDir::cleanPath(tarvikDocuments + u'/' + X) + u'/';
    const QString T = Folder + PathParts(S, SeparatorRule::Local).fileName();
    // A file that already is in its place would be copied onto itself and
    // then thrown away: nothing to move.
    if (sameFile(S, T))
        return;

    // Only an explicit Yes moves the file: a dismissed question keeps it where it is.
    if (dialogs().messageDlg(QStringLiteral("Déplacer ce ficher dans le dossier \"TARVIK\" de Mes Documents ?"),
                             MsgDlgType::mtConfirmation, mbYes | mbNo, mbYes)
        != mrYes)
        return;

    if (!QDir().mkpath(Folder)) {
        AlertBox(QStringLiteral("ERREUR#743 : CREATION DOSSIER CIBLE"), Folder);
        return;
    }

    // The source is thrown away only once a copy of the same size stands in the target.
    bool copied = false;
    try {
        if (FILE_COPY(S, T) != 0) {
            // The files' own sizes: QFileInfo would follow a Windows shortcut.
            copied = IsFile(T) && QFile(T).size() == QFile(S).size();
            if (copied)
                DeleteFileToRecycleBin(S);
        }
    } catch (const std::exception &e) {
        AlertBox(QStringLiteral("ERREUR#746 :  FILE_Move(source, cible);"),
                 errorMessage(e) + QStringLiteral("\r\n\r\n") + S + QStringLiteral("\r\n") + T);
    }
    if (copied)
        path = T;
}

// The local files and folders of a drag, in the order given; other URLs are left out.
QStringList droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString local = url.toLocalFile();
        if (!local.isEmpty())
            paths << QDir::cleanPath(local);
    }
    return paths;
}

// The drop only points at the files: never let the source delete them as
// after a move.
bool chooseDropAction(QDropEvent *event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    return true;
}

} // namespace

void TForm1::JvDragDrop1Drop(const QStringList &Value)
{
    const auto refuse = [](const QString &message, const QString &P) {
        AlertBox(QStringLiteral("ERREUR#749: TForm1.JvDragDrop1Drop"), message + QStringLiteral("\r\n\r\n") + P);
    };
    for (QString P : Value) {
        // Refused before any move: a file moved for an entry that cannot be
        // added would be left where the user never looks.
        if (const QString refusal = entryRefusal(P); !refusal.isEmpty()) {
            refuse(refusal, P);
            continue;
        }
        const QString E = upperExtension(P);
        // A file of the desktop is offered the move whatever its type and the option.
        if (IsFile(P) && liesOnDesktop(P))
            MoveVers_MesDocs(P);
        else if (kDocumentTypes.contains(E) && chk_MoveVersDoc->isChecked())
            MoveVers_MesDocs(P);
        try {
            addEntry(P);
        } catch (const std::exception &e) {
            refuse(errorMessage(e), P);
        }
    }
    RempliMENU();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedPaths(event->mimeData()).isEmpty() && chooseDropAction(event))
        event->accept();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty() || !chooseDropAction(event)) {
        event->ignore();
        return;
    }
    event->accept();
    // The questions of the move are asked once the drag has ended, so the
    // file manager that started it is not kept waiting on them.
    QTimer::singleShot(0, this, guarded([this, paths] { JvDragDrop1Drop(paths); }));
}

} // namespace tarvik
