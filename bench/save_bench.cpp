// Saving a menu of n entries, each with its section in the commands file:
// "Enregistrer la configuration" writes the settings, entry, check, commands
// and buttons files. Run: build/save_bench
#include "TestDialogs.h"
#include "TestPlatform.h"
#include "UiTestSupport.h"
#include "ui/Unit1.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tarvik;

namespace {

void writeMenu(const QString &dir, int n)
{
    QFile items(dir + "/BENCH.items.txt"), commands(dir + "/BENCH.items.commands.ini");
    items.open(QIODevice::WriteOnly);
    commands.open(QIODevice::WriteOnly);
    for (int i = 0; i < n; ++i) {
        const QByteArray entry = "/opt/programmes/outil" + QByteArray::number(i) + (i % 3 ? ".exe" : ".pdf");
        items.write(entry + "\r\n");
        // Half the sections as the editors leave them, half as a save leaves them.
        if (i % 2)
            commands.write((i ? "\r\n[" : "[") + entry + "]\r\nARGUMENTS=/AUTO " + QByteArray::number(i) + "\r\n");
        else
            commands.write((i ? "\r\n[" : "[") + entry + "]\r\nSENDKEYS=\r\nARGUMENTS=\r\nPW=\r\n");
    }
}

void BM_INI_SAVE(benchmark::State &state)
{
    tarvik::testing::ensureApplication();
    QTemporaryDir dir;
    tarvik::testing::TestPlatform os;
    tarvik::testing::TestDialogs dialogs;
    os.exePath = dir.filePath("tarvik");
    const int n = int(state.range(0));
    writeMenu(dir.path(), n);
    TForm1 form({os.exePath, "BENCH"});
    form.FormCreate();
    for (auto _ : state)
        form.INI_SAVE();
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

BENCHMARK(BM_INI_SAVE)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
