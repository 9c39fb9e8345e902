// libFuzzer target for the .qzm loader: any bytes must load or fail cleanly,
// leave the document within its limits, and a loaded document must save and
// load back to the same bytes. Also built without libFuzzer to replay the
// corpus as an ordinary test.

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/Archive.h"
#include "framework/Interaction.h"
#include "resources/Strings.h"

#include <QBuffer>

#include <cstdio>
#include <cstdlib>

#ifdef QZM_FUZZ_MALLOC_HOOK
#include <sanitizer/allocator_interface.h>
#endif

namespace {
// Message boxes are answered at once, and counted.
class SilentInteraction : public CInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest&) override
    {
        ++messages;
        return MsgAnswer::Ok;
    }
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }
    int messages = 0;
};

SilentInteraction* g_ui = nullptr;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "qzm loader invariant broken: %s\n", what);
    std::abort();
}

#ifdef QZM_FUZZ_MALLOC_HOOK
// No single allocation while loading may grow with what a length field
// claims: only with the bytes that are there (and the report built from
// at most 96 entries).
size_t g_allocLimit = 0;
void mallocHook(const volatile void*, size_t size)
{
    if (g_allocLimit && size > g_allocLimit) {
        g_allocLimit = 0;
        std::fprintf(stderr, "allocation of %zu bytes beyond the input's size\n", size);
        std::abort();
    }
}
void freeHook(const volatile void*) {}
#endif

OpenResult load(CQZMDoc& doc, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return doc.LoadFromDevice(buffer, QStringLiteral("fuzz.qzm"));
}

void checkLimits(const CQZMDoc& doc)
{
    if (doc.ReadBlocks().size() > QZMFields::kMaxBlocks || doc.WriteBlocks().size() > QZMFields::kMaxBlocks)
        fail("more than 48 entries in a list");
    for (CQZMDoc::List list : {CQZMDoc::List::Read, CQZMDoc::List::Write}) {
        const int count = int(doc.Blocks(list).size());
        const int current = doc.CurrentIndex(list);
        if (count == 0 ? current != -1 : (current < 0 || current >= count))
            fail("current index does not match its list");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    InstallQZMStrings();
    static SilentInteraction ui;
    g_ui = &ui;
    CInteraction::SetInstance(&ui);
#ifdef QZM_FUZZ_MALLOC_HOOK
    __sanitizer_install_malloc_and_free_hooks(mallocHook, freeHook);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
#ifdef QZM_FUZZ_MALLOC_HOOK
    g_allocLimit = 2 * size + 256 * 1024;
#endif
    {
        // One document reloaded again and again, as the program does; a
        // failed load is followed by the New reset, as the program does.
        static CQZMDoc& doc = *new CQZMDoc;
        static CQZMDoc& again = *new CQZMDoc;
        doc.SetSerialPort(3);
        g_ui->messages = 0;
        const OpenResult loaded = load(doc, input);
        if (!loaded) {
            if (g_ui->messages != 1 || !loaded.ChangedContents())
                fail("a failed load must say why once");
            if (doc.SerialPort() != 3)
                fail("a failed load kept the broken file's port");
            doc.OnNewDocument();
        } else {
            checkLimits(doc);
            if (g_ui->messages > 1)
                fail("more than one message for one load");
            (void)BuildTextReport(doc, QStringLiteral("fuzz.txt"));

            // What loads saves, and what it saves loads back the same.
            const QByteArray saved = doc.StoredBytes();
            g_ui->messages = 0;
            if (!load(again, saved) || g_ui->messages != 0)
                fail("a saved document does not load back");
            checkLimits(again);
            if (again.StoredBytes() != saved)
                fail("save, load and save again differ");
        }
        // Leave nothing allocated across inputs, so every input frees what
        // it took and the leak check sees each input on its own.
        doc.OnNewDocument();
        again.OnNewDocument();
    }
#ifdef QZM_FUZZ_MALLOC_HOOK
    g_allocLimit = 0;
#endif
    return 0;
}
