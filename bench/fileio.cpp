// Times saving and loading the largest document: 48 Read and 48 Write
// entries, every description 1 KiB. Prints figures; asserts nothing.

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/Interaction.h"
#include "resources/Strings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Stats
{
    double median, mean, min, max;
};

Stats summarise(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us)
        sum += v;
    return {us[us.size() / 2], sum / double(us.size()), us.front(), us.back()};
}

void print(const char* what, const Stats& s)
{
    std::printf("%-12s median %8.1f us   mean %8.1f us   min %8.1f us   max %8.1f us\n", what, s.median, s.mean,
                s.min, s.max);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    InstallQZMStrings();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 200;

    CQZMDoc doc;
    doc.SetDescription(QByteArray(1024, 'D'));
    for (int i = 0; i < QZMFields::kMaxBlocks; ++i) {
        for (CQZMDoc::List list : {CQZMDoc::List::Read, CQZMDoc::List::Write}) {
            CBlockMemory block;
            block.m_strDescription = QByteArray(1024, char('a' + i % 26));
            block.m_nAddress = 1 + i;
            block.m_nNumber = 1000 + i;
            doc.AppendBlock(list, block);
        }
    }

    QTemporaryDir dir;
    const QString path = dir.filePath("largest.qzm");
    std::vector<double> save, load, report;
    QElapsedTimer timer;
    CQZMDoc loaded;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        if (!doc.OnSaveDocument(path))
            return 1;
        save.push_back(double(timer.nsecsElapsed()) / 1000.0);
        timer.start();
        if (!loaded.OnOpenDocument(path))
            return 1;
        load.push_back(double(timer.nsecsElapsed()) / 1000.0);
        timer.start();
        const QByteArray text = BuildTextReport(loaded, QStringLiteral("largest.txt"));
        report.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (text.isEmpty())
            return 1;
    }
    std::printf("largest document: 48 + 48 entries, 1 KiB descriptions, %lld bytes on disk, %d runs\n",
                static_cast<long long>(QFileInfo(path).size()), runs);
    print("save", summarise(save));
    print("load", summarise(load));
    print("text report", summarise(report));
    return 0;
}
