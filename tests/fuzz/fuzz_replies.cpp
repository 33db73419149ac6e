// libFuzzer target: the four replies the configuration component takes from
// the communication service, delivered to the real plugin with the client's
// real widget tree. The replies come from the generator the robustness test
// uses, its choices read from the fuzzer's bytes (past the end every choice is
// the first), so that both explore the same shapes of bad value.
//
// Each input starts from the same state (a known store and a clean sign-in),
// so that a crash is repeated by its input alone. After the replies a clean
// version reply must still be shown: a component that stopped working aborts,
// as a crash does.

#include "plugin_harness.h"
#include "reply_generator.h"
#include "test_environment.h"

#include <QApplication>
#include <QLabel>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
// What the component says: its debug lines carry whole replies, so they are
// dropped; warnings are shown a few times; worse goes through.
QtMessageHandler g_previousHandler = nullptr;
int g_warningsShown = 0;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg || (type == QtWarningMsg && ++g_warningsShown > 5))
        return;
    g_previousHandler(type, context, text.left(300));
}

// Set up once: the hermetic folders before Qt reads them, the application
// (offscreen), and the framework with the real plugin and widget tree.
struct Fixture
{
    HermeticEnvironment environment;
    int argc = 1;
    char name[16] = "fuzz_replies";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};
    PluginHarness harness;

    Fixture()
    {
        g_previousHandler = qInstallMessageHandler(quietHandler);
        harness.useHostUiLoader();
        harness.bringUp();
        harness.messagebox.answer = QStringLiteral("btnMessageBox_1"); // "Cancel" to any question
        if (harness.initializeAndStart() != 0 || !harness.dialogWindow())
            qFatal("fuzz_replies: the component did not start with its dialog");
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PluginHarness& harness = fixture().harness;
    const QString ann = QStringLiteral("ekr.account.ann/");
    harness.settings.store = {{ann + "renderoutput", QDir::tempPath()},
                              {ann + "subtask", 3},
                              {ann + "poolid", "p2"},
                              {ann + "defaultmaya", "m2"},
                              {"ekr.rendering/maya", QStringList{"m1&Maya 2022", "m2&Maya"}},
                              {"ekr.rendering/3dsmax", QStringList{"x1&3ds Max 2021"}},
                              {"m1/installlocation", "/opt/m"}};
    harness.settings.reads.clear();
    harness.settings.writes.clear();
    harness.settings.handlesSeen.clear();
    harness.communication.requests.clear();
    harness.fileWatcher.calls.clear();
    harness.signIn(QStringLiteral("ann"));

    // A choice below 256 takes one byte, a wider one four.
    size_t at = 0;
    ReplyGenerator generator([&](quint32 bound) {
        quint32 read = 0;
        for (int i = 0, width = bound && bound <= 256 ? 1 : 4; i < width && at < size; ++i)
            read = read << 8 | data[at++];
        return read;
    });
    for (int replies = 0; replies < 6 && at < size; ++replies) {
        const ReplyKind kind = ReplyKind(generator.below(ReplyKindCount));
        const int code = generator.resultCode();
        deliverReply(harness.communication, kind, code, generator.reply(kind));
    }
    QCoreApplication::processEvents();

    // Still there, and still showing what a clean reply says.
    emit harness.communication.LatestVersionResponse(200, {{QStringLiteral("ver"), "9.9.9"}});
    QWidget* dialog = harness.dialogWindow();
    auto* latest =
        dialog ? dialog->findChild<QLabel*>(QStringLiteral("lblLatestVersionV")) : nullptr;
    if (!latest || latest->text() != QLatin1String("9.9.9")) {
        fprintf(stderr, "fuzz_replies: the component no longer shows a clean version reply\n");
        abort();
    }
    return 0;
}
