// Rebuilding the grid (RempliMENU) of a shown menu window of 1,000 and 10,000
// entries, offscreen: the grid is a view over the entry list, so a rebuild
// is one pass computing names and types. Prints the figures in milliseconds.
//   QT_QPA_PLATFORM=offscreen ./grid_bench

#include "TestDialogs.h"
#include "TestPlatform.h"
#include "ui/Unit1.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tarvik;

namespace {

// The form of one test size, started once and kept.
struct Menu {
    QTemporaryDir dir;
    testing::TestPlatform os;
    testing::TestDialogs dialogs;
    std::unique_ptr<TForm1> form;

    explicit Menu(int entries)
    {
        os.exePath = dir.filePath(QStringLiteral("tarvik"));
        form = std::make_unique<TForm1>(QStringList{os.exePath, QStringLiteral("BENCH")});
        form->FormCreate();
        static const char *const kinds[] = {"exe", "pdf", "doc", "url", "", "txt"};
        for (int i = 0; i < entries; ++i) {
            const QString ext = QString::fromLatin1(kinds[i % 6]);
            form->addEntry(QStringLiteral("/home/utilisateur/Documents/Dossier %1/Programme numéro %2%3")
                               .arg(i % 37)
                               .arg(i)
                               .arg(ext.isEmpty() ? QString() : QStringLiteral(".") + ext));
        }
        form->show();
        QCoreApplication::processEvents();
    }
};

Menu &menuOf(int entries)
{
    static std::map<int, std::unique_ptr<Menu>> menus;
    auto &m = menus[entries];
    if (!m)
        m = std::make_unique<Menu>(entries);
    return *m;
}

// One rebuild and the repaint it causes.
double rebuildMs(TForm1 &form)
{
    QElapsedTimer t;
    t.start();
    form.RempliMENU();
    QCoreApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

void BM_RempliMENU(benchmark::State &state)
{
    TForm1 &form = *menuOf(int(state.range(0))).form;
    for (auto _ : state)
        rebuildMs(form);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RempliMENU)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The figure asked for: the median of 30 rebuilds of each size.
    for (int n : {1000, 10000}) {
        TForm1 &form = *menuOf(n).form;
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i)
            ms.push_back(rebuildMs(form));
        std::sort(ms.begin(), ms.end());
        std::printf("RempliMENU of %5d entries: median %.2f ms, worst %.2f ms (rows in grid: %d)\n", n,
                    ms[ms.size() / 2], ms.back(), form.ValueListEditor1->RowCount());
    }
    std::fflush(stdout);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
