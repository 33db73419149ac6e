// libFuzzer target: the robustness test's cases, their choices read from the fuzzer's bytes (past
// the end every choice is the first); a fault that a case finds aborts, as a crash does.

#include "plugin_harness.h"
#include "reply_generator.h"
#include "test_environment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static HermeticEnvironment environment; // before Qt reads the folders
    static int argc = 1;
    static char name[] = "fuzz_replies", *argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    static PluginHarness harness;
    static const bool started =
        (QLoggingCategory::setFilterRules("ekr.*.debug=false"), startComponent(harness));
    size_t at = 0; // a choice below 256 takes one byte, a wider one four
    ReplyGenerator g{[&](quint32 bound) {
        quint32 read = 0;
        for (int i = 0, width = bound <= 256 ? 1 : 4; i < width && at < size; ++i)
            read = read << 8 | data[at++];
        return read;
    }};
    QString login = "ann", failure = started ? "" : "the component did not start";
    harness.settings.store.clear(); // each input from the same state, so that it repeats alone
    harness.signIn(login);
    emit harness.communication.SignOutResponse(200, {});
    for (int cases = 0; cases < 6 && at < size && failure.isEmpty(); ++cases)
        failure = runCase(g, harness, login);
    if (!failure.isEmpty())
        qFatal("fuzz_replies: %s", qPrintable(failure.left(300)));
    return 0;
}
