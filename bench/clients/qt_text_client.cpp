// A Qt text window for the typing benchmark, in a process of its own as a
// started program is: shows one text editor titled by its second argument
// and keeps what it holds in the file named by its first argument, rewritten
// whole at most every 20 ms while it changes.

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: qt_text_client OUTPUT TITLE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QString out = QFile::decodeName(argv[1]);
    QPlainTextEdit editor;
    editor.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    editor.resize(800, 600);

    QTimer writeOut;
    writeOut.setSingleShot(true);
    writeOut.setInterval(20);
    QObject::connect(&writeOut, &QTimer::timeout, [&] {
        QSaveFile file(out);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(editor.toPlainText().toUtf8());
            file.commit();
        }
    });
    QObject::connect(&editor, &QPlainTextEdit::textChanged, [&] {
        if (!writeOut.isActive())
            writeOut.start();
    });
    editor.show();
    return app.exec();
}
