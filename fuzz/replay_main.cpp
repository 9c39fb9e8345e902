// Replays fuzzing inputs through the loader without libFuzzer: every file
// named, or every file in a folder named, goes through the fuzz target and
// through the document's own open.

#include "document/QZMDoc.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    LLVMFuzzerInitialize(&argc, &argv);
    QStringList roots;
    for (int i = 1; i < argc; ++i)
        roots << QFile::decodeName(argv[i]);
#ifdef QZM_CORPUS_DIR
    if (roots.isEmpty())
        roots << QStringLiteral(QZM_CORPUS_DIR);
#endif
    QStringList files;
    for (const QString& root : std::as_const(roots)) {
        if (QFileInfo(root).isDir()) {
            QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << root;
        }
    }
    files.sort();
    int loaded = 0;
    for (const QString& path : std::as_const(files)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        CQZMDoc doc;
        if (doc.OnOpenDocument(path))
            ++loaded;
    }
    std::printf("replayed %lld inputs, %d opened as documents\n", static_cast<long long>(files.size()), loaded);
    return files.isEmpty() ? 1 : 0;
}
