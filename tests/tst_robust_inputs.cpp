// Bad input never takes the client down: generated replies from the communication service and
// stored values of every type, delivered to one component with the real widget tree. After each
// case only what holds whatever the values is checked; afterwards clean values must still work.
// The seed is fixed and printed; EKR_TEST_SEED replaces it. Failures and crashes name the case.

#include "plugin_harness.h"
#include "reply_generator.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "ekr_configuration_keys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

// Present in a sanitizer build only: reports the case before the sanitizer's report ends the run.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace keys = ekr::keys;

namespace {
const int kCases = 100000, kCasesPerComponent = 12500;
const quint32 kDefaultSeed = 20240611;

// The case under way, written out on a crash with write() alone. A sanitizer build reports it
// through its death callback and keeps its own signal handlers.
char g_where[200];
volatile std::sig_atomic_t g_whereLength = 0;
void reportWhere()
{
    if (g_whereLength > 0 && ::write(2, g_where, size_t(g_whereLength)) >= 0)
        g_whereLength = 0;
}
void onCrash(int signal)
{
    reportWhere();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
void watchCrashes(bool on)
{
    if (__sanitizer_set_death_callback)
        return __sanitizer_set_death_callback(on ? reportWhere : nullptr);
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        std::signal(signal, on ? onCrash : SIG_DFL);
}

// Debug lines carry whole replies (megabytes): counted only. The first few warnings are shown.
qint64 g_debug = 0, g_warnings = 0, g_critical = 0;
QtMessageHandler g_previousHandler = nullptr;
void countMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg)
        return g_previousHandler(type, context, text);
    if (type == QtDebugMsg || type == QtInfoMsg)
        ++g_debug;
    else if (++(type == QtWarningMsg ? g_warnings : g_critical) <= 5)
        fprintf(stderr, "tst_robust_inputs: message: %s\n", qPrintable(text.left(160)));
}

// clang-format off
const char* const kSettingKeys[] = {keys::RenderOutput, keys::MonitorPath, keys::PoolId,
    keys::AutoLogin, keys::AutoDownload, keys::SoundFinish, keys::PopupFinish, keys::AutoUpdate,
    keys::Prerender, keys::InterruptSubmit, keys::SetArgument, keys::SubTask, keys::AutoStart,
    keys::RenderLayer, keys::UploadFailedFiles, keys::SceneFileOnly, keys::TransferType,
    keys::CheckInterval, keys::DefaultMax, keys::DefaultMaya};
const char* const kSoftware[] = {"maya", "3dsmax", "maya", "3dsmax", "blender", "", "a/b", "&"};
const char* const kVersionIds[] = {"m1", "m2", "x1", "x2", "", "a/b"};
// The check boxes and the keys Apply writes them to.
const std::pair<const char*, const char*> kChecks[] = {{"chkAutoLogin", keys::AutoLogin},
    {"chkAutoDownload", keys::AutoDownload}, {"chkSoundFinish", keys::SoundFinish},
    {"chkPopupFinish", keys::PopupFinish}, {"chkAutoUpdate", keys::AutoUpdate},
    {"chkPrerender", keys::Prerender}, {"chkInterruptSubmit", keys::InterruptSubmit},
    {"chkSetArgument", keys::SetArgument}, {"chkAutoStart", keys::AutoStart},
    {"chkEnableRenderLayer", keys::RenderLayer}, {"chkUploadSceneFileOnly", keys::SceneFileOnly},
    {"chkEnableAutoUploadFailedFiles", keys::UploadFailedFiles}};
// clang-format on

// A store with an account "ann" and a small catalogue, where the cases start.
QVariantHash baselineStore()
{
    const QString ann = QStringLiteral("ekr.account.ann/");
    return {{ann + "renderoutput", QDir::tempPath()},
            {ann + "subtask", 3},
            {ann + "poolid", "p2"},
            {ann + "defaultmaya", "m2"},
            {"ekr.rendering/maya", QStringList{"m1&Maya 2022", "m2&Maya 2023"}},
            {"ekr.rendering/3dsmax", QStringList{"x1&3ds Max 2021", "x2&3ds Max 2022"}},
            {"m1/installlocation", "/opt/maya2022"},
            {"x2/installlocation", "/opt/max2022"},
            {"maya/analyzer", "mayabatch"}};
}

// One table row per catalogue entry with a label after "&", for each software directly under
// "ekr.rendering".
int expectedRows(const QVariantHash& store)
{
    const QString prefix = QStringLiteral("ekr.rendering/");
    int rows = 0;
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        if (it.key().startsWith(prefix) && !it.key().mid(prefix.size()).contains('/'))
            rows += int(it.value().toStringList().filter(QStringLiteral("&")).size());
    }
    return rows;
}

struct Figures
{
    qint64 cases = 0, stored = 0, storedValues = 0, actions = 0, milliseconds = 0;
    qint64 replies[ReplyKindCount] = {}, successes[ReplyKindCount] = {};
    int components = 0;
    bool ran = false;
} g_figures;
} // namespace

#define EXPECT(condition, detail)                                                                  \
    do {                                                                                           \
        if (!(condition))                                                                          \
            QFAIL(qPrintable(where() + QStringLiteral(": ") + QString(detail)));                   \
    } while (0)

class RobustInputsTest : public QObject
{
    Q_OBJECT

    quint32 m_seed = kDefaultSeed;
    QRandomGenerator m_random;
    ReplyGenerator m_g{
        [this](quint32 bound) { return bound ? m_random.bounded(bound) : m_random.generate(); }};
    std::unique_ptr<PluginHarness> m_harness;
    QString m_login; // the account of the component's last successful sign-in
    qint64 m_case = -1;
    QString m_what;

    QString where() const
    {
        return QString::asprintf("seed %u, case %lld (%s); replay with EKR_TEST_SEED=%u", m_seed,
                                 m_case, qPrintable(m_what), m_seed);
    }
    PluginHarness& h() { return *m_harness; }
    FakeSettings& settings() { return m_harness->settings; }
    template <class W = QWidget> W* get(const char* name) { return m_harness->widget<W>(name); }
    QVariant stored(const char* pattern) const
    {
        return m_harness->settings.store.value(keys::Form(pattern, m_login));
    }

    void buildComponent()
    {
        m_harness.reset(); // the previous one goes first, with its dialog
        QCoreApplication::processEvents();
        m_harness.reset(new PluginHarness);
        h().useHostUiLoader();
        h().bringUp();
        h().messagebox.answer = QStringLiteral("btnMessageBox_1"); // "Cancel" to any question
        settings().store = baselineStore();
        QCOMPARE(h().initializeAndStart(), 0);
        QVERIFY(h().dialogWindow());
        m_login.clear();
        ++g_figures.components;
    }

    // Drops what the doubles recorded, so that a long run does not pile it up.
    void forgetRecords()
    {
        settings().reads.clear();
        settings().writes.clear();
        settings().handlesSeen.clear();
        h().communication.requests.clear();
        h().messagebox.questions.clear();
        h().fileWatcher.calls.clear();
    }

    void replyCase(ReplyKind kind)
    {
        const int code = m_g.resultCode();
        const QVariantMap reply = m_g.reply(kind);
        m_what = QStringLiteral("%1, result %2").arg(kReplyKindNames[kind]).arg(code);
        ++g_figures.replies[kind];
        g_figures.successes[kind] += code == 200;
        if (kind == SignOutReply && m_g.percent(20))
            h().component()->ShowConf();
        deliverReply(h().communication, kind, code, reply);
        const auto& requests = h().communication.requests;
        if (kind == SignOutReply)
            EXPECT(!h().dialogWindow()->isVisible(), "the dialog stayed open after a sign-out");
        if (kind != SignInReply)
            return;
        if (code != 200) {
            EXPECT(requests.isEmpty() && settings().writes.isEmpty(),
                   "a failed sign-in asked for pools or wrote");
            return;
        }
        m_login = reply.value(QStringLiteral("loginname")).toString();
        const QVariantHash expected{
            {"username", reply.value(QStringLiteral("username")).toString()},
            {"token", reply.value(QStringLiteral("data")).toMap().value("token").toString()}};
        EXPECT(requests.size() == 1 && requests.first().data == expected,
               "the pool request does not carry the reply's user name and token");
        checkRows();
    }

    void checkRows()
    {
        const int rows = get<QTableWidget>("twtSoftwareVersion")->rowCount();
        const int expected = expectedRows(settings().store);
        EXPECT(m_login.isEmpty() || rows == expected, // the empty account loads nothing
               QStringLiteral("%1 table rows for %2 catalogue entries").arg(rows).arg(expected));
    }

    void storedCase()
    {
        ReplyGenerator& g = m_g;
        m_what = QStringLiteral("stored values");
        ++g_figures.stored;
        if (g.percent(35)) // now and then from the baseline; otherwise earlier garbage meets new
            settings().store = baselineStore();
        const QString login = g.percent(80) ? m_login : g.login();
        for (int count = 1 + g.below(6); count > 0; --count, ++g_figures.storedValues) {
            const int area = g.weighted({55, 20, 17, 4});
            const QString name = g.percent(90) ? QString::fromUtf8(g.pick(kSoftware)) : g.text();
            const QString id = g.percent(90) ? QString::fromUtf8(g.pick(kVersionIds)) : g.text();
            const QString targets[] = {
                keys::Form(g.pick(kSettingKeys), login), keys::Form(keys::RenderingVersions, name),
                keys::Form(keys::InstallLocation, id), keys::Form(keys::Analyzer, name),
                g.percent(50) ? keys::Rendering : "ekr.rendering/maya/deeper"};
            const QVariant value = area == 0   ? g.stored()
                                   : area == 1 ? g.catalogue()
                                   : area == 2 && g.percent(60)
                                       ? QVariant(g.percent(50) ? QDir::tempPath() : g.text())
                                       : g.value(area == 3 ? 1 : 2);
            if (g.percent(12))
                settings().store.remove(targets[area]);
            else
                settings().store.insert(targets[area], value);
        }
        for (int count = 1 + g.below(3); count > 0 && !QTest::currentTestFailed(); --count) {
            ++g_figures.actions;
            switch (g.weighted({26, 18, 22, 10, 16, 5})) {
            case 0:
                m_what = QStringLiteral("stored values, sign-in");
                m_login = g.percent(85) ? QStringLiteral("ann") : g.login();
                h().signIn(m_login);
                checkRows();
                break;
            case 1:
                emit settings().SettingsUpdated();
                break;
            case 2:
                m_what = QStringLiteral("stored values, Apply");
                apply();
                break;
            case 3:
                get<QPushButton>("btnCancel")->click();
                EXPECT(!h().dialogWindow()->isVisible(), "Cancel left the dialog open");
                break;
            case 4:
                rowClicks();
                break;
            default:
                g.percent(25) ? h().component()->ShowConf()
                              : get<QPushButton>("btnUpdate")->click();
            }
        }
    }

    // Changes some widgets at random, applies, and checks that the store now matches them.
    void apply()
    {
        ReplyGenerator& g = m_g;
        for (const auto& check : kChecks) {
            if (g.percent(15))
                get<QCheckBox>(check.first)->toggle();
        }
        if (g.percent(30))
            get<QSpinBox>("spbSubTask")->setValue(g.scalar().toInt());
        for (const char* path : {"lneSavePath", "lneMonitorPath"}) {
            if (g.percent(18))
                get<QLineEdit>(path)->setText(g.text());
        }
        auto* pools = get<QComboBox>("cmbPool");
        if (g.percent(20))
            pools->setCurrentIndex(g.below(pools->count() + 2) - 1);
        const QString savePath = get<QLineEdit>("lneSavePath")->text().trimmed();
        const int questionsBefore = h().messagebox.questions.size();
        get<QPushButton>("btnApply")->setEnabled(true);
        get<QPushButton>("btnApply")->click();

        EXPECT(!h().dialogWindow()->isVisible(), "Apply left the dialog open");
        for (const auto& check : kChecks) {
            EXPECT(get<QCheckBox>(check.first)->isChecked() == stored(check.second).toBool(),
                   QStringLiteral("after Apply %1 is not stored").arg(check.first));
        }
        EXPECT(get<QSpinBox>("spbSubTask")->value() == stored(keys::SubTask).toInt(),
               "after Apply the subtask is not stored");
        EXPECT(savePath.isEmpty() || stored(keys::RenderOutput).toString() == savePath,
               "after Apply the output folder is not stored");
        EXPECT(pools->currentIndex() < 0 ||
                   stored(keys::PoolId).toString() == pools->currentData().toString(),
               "after Apply the pool is not stored");
        EXPECT(h().messagebox.questions.size() - questionsBefore <= 1,
               "Apply asked the update question twice");
    }

    // Clicks on rows, on no item and on an item of no table.
    void rowClicks()
    {
        auto* table = get<QTableWidget>("twtSoftwareVersion");
        QTableWidgetItem stray(QStringLiteral("not in the table"));
        for (int clicks = 1 + m_g.below(4); clicks > 0; --clicks) {
            const int pick = m_g.below(100);
            emit table->itemClicked(
                pick < 5    ? nullptr
                : pick < 10 ? &stray
                            : table->item(m_g.below(table->rowCount() + 1), m_g.below(2)));
        }
    }

private slots:
    void initTestCase()
    {
        const QByteArray fromEnvironment = qgetenv("EKR_TEST_SEED");
        bool ok = true;
        if (!fromEnvironment.isEmpty())
            m_seed = fromEnvironment.trimmed().toUInt(&ok, 0);
        QVERIFY2(ok, qPrintable("EKR_TEST_SEED is not a 32-bit number: " + fromEnvironment));
        printf("robust inputs: seed %u%s\n", m_seed,
               fromEnvironment.isEmpty() ? " (fixed; EKR_TEST_SEED replaces it)"
                                         : " (from EKR_TEST_SEED)");
        fflush(stdout);
        m_random.seed(m_seed);
    }

    void garbageNeverCrashesTheComponent()
    {
        g_previousHandler = qInstallMessageHandler(countMessages);
        watchCrashes(true);
        QElapsedTimer clock;
        clock.start();
        const auto restore = qScopeGuard([&] {
            g_whereLength = 0;
            watchCrashes(false);
            qInstallMessageHandler(g_previousHandler);
            g_figures.milliseconds = clock.elapsed();
        });
        for (m_case = 0; m_case < kCases && !QTest::currentTestFailed(); ++m_case) {
            if (m_case % kCasesPerComponent == 0) {
                m_what = QStringLiteral("building a component");
                buildComponent();
                if (QTest::currentTestFailed())
                    return;
            }
            forgetRecords();
            const int kind = m_g.weighted({24, 24, 10, 20}); // or else stored values
            g_whereLength = std::snprintf(
                g_where, sizeof g_where,
                "\ntst_robust_inputs: died in case %lld (%s) of seed %u; replay with "
                "EKR_TEST_SEED=%u\n",
                m_case, kind == ReplyKindCount ? "stored values" : kReplyKindNames[kind], m_seed,
                m_seed);
            ++g_figures.cases;
            if (kind == ReplyKindCount)
                storedCase();
            else
                replyCase(ReplyKind(kind));
            if (kind != ReplyKindCount && m_g.percent(2)) // a reply case's store drifts
                settings().store = baselineStore();
            if (m_case % 64 == 63)
                QCoreApplication::processEvents();
            if (m_case % 2000 == 1999 && !QTest::currentTestFailed()) {
                m_what += QStringLiteral(", painted");
                h().component()->ShowConf();
                QCoreApplication::processEvents();
                EXPECT(!h().dialogWindow()->grab().isNull(), "the dialog could not be painted");
            }
        }
        g_figures.ran = m_case == kCases;
        EXPECT(g_critical == 0, QStringLiteral("%1 critical messages").arg(g_critical));
    }

    // The component that went through every case, signed in with clean values.
    void dialogStillBehavesAfterwards()
    {
        QVERIFY(m_harness);
        forgetRecords();
        const QString zoe = QStringLiteral("ekr.account.zoe/");
        settings().store = {{zoe + "renderoutput", QDir::tempPath()},
                            {zoe + "subtask", 7},
                            {zoe + "poolid", "pz2"},
                            {zoe + "autodownload", true},
                            {zoe + "soundfinish", false},
                            {zoe + "defaultmaya", "m1"},
                            {"ekr.rendering/maya", QStringList{"m1&Maya 2022", "m2&Maya 2023"}},
                            {"ekr.rendering/3dsmax", QStringList{"x1&3ds Max 2021"}},
                            {"m1/installlocation", "/opt/maya2022"},
                            {"m2/installlocation", "/opt/maya2023"}};
        h().signIn(QStringLiteral("zoe"));
        emit h().communication.PoolIdResponse(
            200, {{"data", QVariantList{QVariantMap{{"pool_id", "pz1"}, {"pool_name", "One"}},
                                        QVariantMap{{"pool_id", "pz2"}, {"pool_name", "Two"}}}}});
        h().component()->ShowConf();
        emit h().communication.LatestVersionResponse(200, {{"ver", "9.9.9"}});
        QCoreApplication::processEvents();

        QVERIFY(h().dialogWindow()->isVisible());
        QCOMPARE(h().communication.requests.first().data,
                 (QVariantHash{{"username", "zoe (user)"}, {"token", "token-of-zoe"}}));
        QCOMPARE(get<QLineEdit>("lneSavePath")->text(), QDir::tempPath());
        QVERIFY(get<QCheckBox>("chkAutoDownload")->isChecked());
        QVERIFY(!get<QCheckBox>("chkSoundFinish")->isChecked());
        QCOMPARE(get<QSpinBox>("spbSubTask")->value(), 7);
        QCOMPARE(get<QComboBox>("cmbPool")->currentText(), QStringLiteral("Two"));
        QCOMPARE(get<QLabel>("lblLatestVersionV")->text(), QStringLiteral("9.9.9"));
        auto* table = get<QTableWidget>("twtSoftwareVersion");
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Maya 2022"));

        // A sign-out still closes the dialog.
        h().component()->ShowConf();
        QVERIFY(h().dialogWindow()->isVisible());
        emit h().communication.SignOutResponse(200, {});
        QVERIFY(!h().dialogWindow()->isVisible());
    }

    void cleanupTestCase()
    {
        m_harness.reset();
        QCoreApplication::processEvents();
    }

public:
    quint32 seed() const { return m_seed; }
};

int main(int argc, char** argv)
{
    HermeticEnvironment environment;
    QApplication app(argc, argv);
    RobustInputsTest test;
    const int result = QTest::qExec(&test, argc, argv);
    // The figures close the output.
    const Figures& f = g_figures;
    printf("robust inputs: %lld cases%s in %.1f s on %d components\n", f.cases,
           f.ran ? "" : " (stopped early)", f.milliseconds / 1000.0, f.components);
    for (int kind = 0; kind < ReplyKindCount; ++kind)
        printf("robust inputs: %-21s %6lld cases (%lld with result 200)\n", kReplyKindNames[kind],
               f.replies[kind], f.successes[kind]);
    printf("robust inputs: stored values         %6lld cases, %lld values stored, %lld actions\n",
           f.stored, f.storedValues, f.actions);
    printf("robust inputs: messages: %lld debug, %lld warnings, %lld critical\n", g_debug,
           g_warnings, g_critical);
    printf("robust inputs: seed %u (replay with EKR_TEST_SEED=%u)\n", test.seed(), test.seed());
    return result;
}

#include "tst_robust_inputs.moc"
