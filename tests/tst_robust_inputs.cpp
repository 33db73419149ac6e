// Replies never take the client down, however bad they are.

#include "plugin_harness.h"
#include "test_environment.h"

#include <QtWidgets>

namespace {
// clang-format off
// Values of every type: names ("ann" is stored), texts that parse or almost, entries, a megabyte.
const QChar kPiece[] = {'&', '/', 0x540D, 0x202E, 0, 0xD800, 0xDFFF, 0xFFFF, 0x0301, 'x'};
const QVariant kValues[] = {"bo", "", " ann", "%1", "a/b", QString(), "ann", QVariant(), "1..2",
    "2147483648", "nan", "-1", "1e309", "1.10.0", "0", "m2&", "m1&Maya", "x1&Max&2", "&",
    QString(kPiece, 10).repeated(104858), QChar(0xD800) + QStringLiteral("x\0y"), QDir::tempPath(),
    QString(10000, 'w'), QString::fromUtf8("\xe5\x90\x8d \xe2\x80\xae"), INT_MIN, false, -0.0, 0,
    -qInf(), true, 1, qQNaN(), ULLONG_MAX, 1e308, 2, INT_MAX, 30001, -1, QJsonObject{{"token", 3}},
    QVariant::fromValue(QMap<QString, QString>{{"ver", "2"}}), QVariant::fromValue(QList<int>{2}),
    QStringList{"m1&Maya", "m2"}, QJsonValue(), QJsonArray{1, "two"}, QByteArray("\xff\xfe\0", 3)};
// Keys the handlers read and near misses; keys of stored values; each reply's proper form.
const char* const kReplyKeys[] = {"loginname", "username", "data", "token", "pool_id", "pool_name",
    "ver", "", "Data"};
const char* const kStoredKeys[] = {"ekr.account.ann/autologin", "ekr.account.ann/renderoutput",
    "ekr.rendering/a/b", "m1/installlocation", "m2/installlocation", "ekr.account.ann/defaultmaya",
    "ekr.rendering/3dsmax", "ekr.rendering/", "ekr.account.ann/checkinterval", "ekr.rendering/maya",
    "ekr.rendering", "ekr.general/autostart", "ekr.account.ann/poolid", "ekr.account.ann/subtask"};
const struct { const char* name; QVariantMap proper; } kReplies[] = {{"SignInResponse",
    {{"loginname", "ann"}, {"username", "Ann"}, {"data", QVariantMap{{"token", "t0k3n"}}}}},
    {"PoolIdResponse", {}}, {"SignOutResponse", {}}, {"LatestVersionResponse", {{"ver", "1.2.3"}}}};
// clang-format on

struct Generator
{
    std::function<quint32(quint32)> draw; // a choice below its bound
    int bigLeft = 2; // megabytes or thousands of pools left; a case takes a copy

    int below(int bound) { return int(draw(quint32(bound))); }
    bool percent(int chance) { return below(100) < chance; }
    QVariant value(int depth = 2) // of any type, nested up to depth containers deep
    {
        const QVariant& scalar = kValues[below(std::size(kValues))];
        if (depth == 0 || !percent(30))
            return scalar.toString().size() < 20000 || bigLeft-- > 0 ? scalar : QVariant();
        QVariantMap map; // or its values, or it as JSON
        for (int i = below(percent(90) ? 5 : 13); i > 0; --i)
            map.insert(kReplyKeys[below(std::size(kReplyKeys))], value(depth - 1));
        return percent(33)   ? QVariant(QJsonObject::fromVariantMap(map))
               : percent(50) ? QVariant(map.values())
                             : map;
    }
};

bool startComponent(PluginHarness& h) // the real plugin with the client's widget tree
{
    h.useHostUiLoader(), h.bringUp();
    h.messagebox.answer = "btnMessageBox_1";               // "Cancel" to any question
    QLoggingCategory::setFilterRules("ekr.*.debug=false"); // they would carry whole replies
    return h.initializeAndStart() == 0 && h.dialogWindow();
}

QString runCase(Generator g, PluginHarness& h) // one case: what went wrong, if anything
{
    // What the doubles recorded, dropped so that a long run does not pile it up.
    h.settings.reads.clear(), h.settings.writes.clear();
    auto& farm = h.communication;
    farm.requests.clear(), h.messagebox.questions.clear(), h.fileWatcher.calls.clear();
    const int kind = g.below(5), code = g.percent(70) ? 200 : g.value(0).toInt();
    QString login = "ann";
    if (kind == 4) {       // stored values that a sign-in loads and Apply writes back
        if (g.percent(35)) // now and then from a clean store; otherwise earlier values meet new
            h.settings.store = {{"ekr.rendering/maya", QStringList{"m1&Maya", "m2&Maya 2"}}};
        for (int count = g.below(6); count >= 0; --count)
            h.settings.store.insert(kStoredKeys[g.below(std::size(kStoredKeys))], g.value());
        h.signIn(login);
        auto* path = h.widget<QLineEdit>("lneSavePath");
        path->setText(g.percent(50) ? path->text() : g.value(0).toString());
        h.widget<QPushButton>("btnApply")->setEnabled(true);
        h.widget<QPushButton>("btnApply")->click(); // a folder is stored trimmed, unless empty
        const QString typed = path->text().trimmed();
        if (!typed.isEmpty() && h.settings.store.value("ekr.account.ann/renderoutput") != typed)
            return "Apply did not store the output folder " + typed;
    } else {                // a reply with any result code
        QVariantList pools; // now and then thousands
        for (int n = g.percent(1) && g.bigLeft-- > 0 ? 4000 : g.below(6); kind == 1 && n > 0; --n)
            pools << QVariantMap{{"pool_id", g.below(4)}, {"pool_type", g.below(3)}};
        QVariantMap reply = kind == 1 ? QVariantMap{{"data", pools}} : kReplies[kind].proper;
        for (QVariant& field : reply) // or anything in its place
            field = g.percent(40) ? g.value() : field;
        reply.insert(g.percent(30) ? g.value(1).toMap() : QVariantMap()); // strangers among keys
        if (kind == 2 && g.percent(50))
            h.component()->ShowConf();
        QMetaObject::invokeMethod(&farm, kReplies[kind].name, Q_ARG(int, code),
                                  Q_ARG(QVariantMap, reply));
        if (kind == 2 && h.dialogWindow()->isVisible())
            return "a sign-out left the dialog open";
        if (kind != 2 && code != 200 && (farm.requests.size() || h.settings.writes.size()))
            return QString("%1 with result %2 was acted on").arg(kReplies[kind].name).arg(code);
        if (kind != 0 || code != 200)
            return "";
        login = reply.value("loginname").toString();
        const QVariantHash asked{{"username", reply.value("username").toString()},
                                 {"token", reply.value("data").toMap().value("token").toString()}};
        if (farm.requests.size() != 1 || farm.requests[0].data != asked)
            return "the pool request does not carry the user name and token of a sign-in";
    }
    // A table row per catalogue entry with a label, of each software; an empty account loads none.
    int extra = h.widget<QTableWidget>("twtSoftwareVersion")->rowCount();
    static const QRegularExpression software("^ekr\\.rendering/[^/]*$");
    for (const QString& key : h.settings.store.keys().filter(software))
        extra -= h.settings.store.value(key).toStringList().filter("&").size();
    return login.isEmpty() || extra == 0 ? "" : QString::asprintf("%d table rows too many", extra);
}
} // namespace

class RobustInputsTest : public QObject
{
    Q_OBJECT

private slots:
    // 100,000 generated cases from a fixed, printed seed; EKR_TEST_SEED replaces it.
    void generatedCasesLeaveTheComponentWorking()
    {
        const quint32 seed = qEnvironmentVariable("EKR_TEST_SEED", "20240611").toUInt(nullptr, 0);
        std::fprintf(stderr, "robust inputs: seed %u; replay with EKR_TEST_SEED=%u\n", seed, seed);
        QRandomGenerator random(seed);
        Generator g{[&](quint32 bound) { return random.bounded(bound); }};
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        QString failure;
        int done = 0;
        while (done < 100000 && failure.isEmpty()) { // on a fresh component now and then
            PluginHarness h;
            QVERIFY(startComponent(h));
            for (const int end = done + 12500; done < end && failure.isEmpty(); ++done)
                failure = runCase(g, h);
        }
        std::printf("robust inputs: %d cases from seed %u in %.1f s on %d components\n", done, seed,
                    (QDateTime::currentMSecsSinceEpoch() - start) / 1000.0, (done + 12499) / 12500);
        QVERIFY2(failure.isEmpty(), qPrintable(QString("case %1: %2").arg(done - 1).arg(failure)));
    }
};

#ifndef EKR_FUZZ_REPLIES
EKR_TEST_MAIN(RobustInputsTest)
#else // the libFuzzer target: the same cases, its bytes making the choices; a fault aborts
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static HermeticEnvironment environment; // before Qt reads the folders
    static int argc = 1;
    static char name[] = "fuzz_replies", *argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    static PluginHarness h;
    static const bool started = startComponent(h);
    FuzzedDataProvider bytes(data, size); // past the end, every choice is the first
    Generator g{[&](quint32 bound) { return bytes.ConsumeIntegralInRange<quint32>(0, bound - 1); }};
    QString failure = started ? "" : "the component did not start";
    h.settings.store.clear(), h.signIn("ann"); // the same state for each input
    emit h.communication.SignOutResponse(200, {});
    for (int cases = 0; cases < 6 && bytes.remaining_bytes() && failure.isEmpty(); ++cases)
        failure = runCase(g, h);
    if (!failure.isEmpty())
        qFatal("fuzz_replies: %s", qPrintable(failure.left(300)));
    return 0;
}
#endif
#include "tst_robust_inputs.moc"
