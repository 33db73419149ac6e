// Benchmarks of what a user waits for, each against the floor that Qt itself
// sets for the same work, measured in the same run so that the ratios hold on
// a noisy machine:
//   cold start  the client up to a shown dialog  vs  loading the library,
//               building the same widget tree, dressing it in the skin's style
//               sheet and showing it
//   start       `ekr_client --screenshot` as a    vs  ekr_start_floor, the same
//               fresh process                         with plain Qt, alternating
//   sign-in     with N catalogued versions        vs  the same reads and rows
//                                                     in a bare QTableWidget
//   Apply       every value changed, made durable  vs  the same reads and
//                                                     writes on a bare QSettings
//   memory      the client with its dialog         vs  the same tree alone
// The last lines printed are the ratios against their goals.

#include "EKConfigurationInterface.h"
#include "client_host.h"
#include "services/communication_service.h"
#include "services/settings_service.h"
#include "services/uiloader_service.h"
#include "test_environment.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QPluginLoader>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUiLoader>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {
const char* const kDialog = "com.ekr.configuration";

QString pluginPath()
{
    return ClientHost::defaultPluginPath();
}

// Each benchmark keeps its client's settings in a folder of its own, so that
// one benchmark's catalogue does not weigh on the next one's writes.
class FreshSettingsFolder
{
public:
    FreshSettingsFolder() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.path())); }

private:
    QTemporaryDir m_folder;
};

// A client brought up as scripts/run does, on the demo farm.
std::unique_ptr<ClientHost> startClient()
{
    auto host = std::make_unique<ClientHost>();
    QString error;
    if (!host->start(pluginPath(), &error))
        qFatal("the client did not start: %s", qPrintable(error));
    return host;
}

QWidget* buildTree()
{
    QFile file(QStringLiteral(":/ui/%1.ui").arg(QLatin1String(kDialog)));
    file.open(QIODevice::ReadOnly);
    return QUiLoader().load(&file);
}

// ---- cold start -------------------------------------------------------------

void ColdStart(benchmark::State& state)
{
    FreshSettingsFolder settingsFolder;
    for (auto _ : state) {
        std::unique_ptr<ClientHost> host = startClient();
        host->configuration()->ShowConf();
        state.PauseTiming();
        host.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

// Each round loads the library as a start does: the client's framework unloads
// the plugin as it stops, so that its next start reads the library's
// meta-data and resolves it again, and so does the floor, out of the timing.
void ColdStartFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QPluginLoader loader(pluginPath());
        loader.load();
        benchmark::DoNotOptimize(loader.instance());
        QWidget* tree = buildTree();
        state.PauseTiming();
        delete tree;
        loader.unload();
        state.ResumeTiming();
    }
}

// The floor that the cold start's goal is set against: the dialog must carry
// the skin's style sheet, and the user waits for the window to show, so the
// floor reads the skin's sheet, dresses the same tree in it once and shows it.
void ColdStartStyledFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QPluginLoader loader(pluginPath());
        loader.load();
        benchmark::DoNotOptimize(loader.instance());
        QWidget* tree = buildTree();
        QFile sheet(QStringLiteral(":/light/com.ekr.configuration.qss"));
        sheet.open(QIODevice::ReadOnly);
        tree->setStyleSheet(QString::fromLatin1(sheet.readAll()));
        tree->show();
        state.PauseTiming();
        delete tree;
        loader.unload();
        state.ResumeTiming();
    }
}

// ---- sign-in with a large catalogue ----------------------------------------

const int kApplications = 50;

void writeCatalogue(SettingsService* settings, int versions)
{
    const QVariant none;
    QVariantHash old;
    settings->GetGroupValues(old, none, QStringLiteral("ekr.rendering"));
    for (auto it = old.cbegin(); it != old.cend(); ++it)
        settings->SetValue(none, QStringLiteral("ekr.rendering/") + it.key(), QVariant());
    const int perApplication = versions / kApplications;
    for (int a = 0; a < kApplications; ++a) {
        const QString software = a == 0   ? QStringLiteral("3dsmax")
                                 : a == 1 ? QStringLiteral("maya")
                                          : QStringLiteral("app%1").arg(a);
        QStringList entries;
        for (int v = 0; v < perApplication; ++v) {
            const QString id = QStringLiteral("%1-v%2").arg(software).arg(v);
            entries << id + QStringLiteral("&") + software + QStringLiteral(" %1").arg(v);
            settings->SetValue(none, id + QStringLiteral("/installlocation"),
                               QStringLiteral("/opt/%1/%2").arg(software).arg(v));
        }
        settings->SetValue(none, QStringLiteral("ekr.rendering/") + software, entries);
    }
    settings->sync();
}

QVariantMap signInReply()
{
    return {{"loginname", "bench"}, {"username", "Bench"}, {"data", QVariantMap{{"token", "t"}}}};
}

// Each round signs in to a client whose table is empty again, as the floor's
// table is new.
void SignIn(benchmark::State& state)
{
    FreshSettingsFolder settingsFolder;
    std::unique_ptr<ClientHost> host = startClient();
    writeCatalogue(host->settings(), int(state.range(0)));
    auto* table = host->uiLoader()
                      ->tree(QLatin1String(kDialog))
                      ->findChild<QTableWidget*>(QStringLiteral("twtSoftwareVersion"));
    for (auto _ : state) {
        emit host->communication()->SignInResponse(200, signInReply());
        state.PauseTiming();
        QCoreApplication::processEvents();
        table->setRowCount(0);
        state.ResumeTiming();
    }
    state.counters["versions"] = double(state.range(0));
}

// The floor's work: the same reads, and the same rows appended one at a time.
__attribute__((noinline)) void fillFloorTable(SettingsService* settings, QTableWidget* table)
{
    const QVariant handle;
    QVariantHash catalogue;
    settings->GetGroupValues(catalogue, handle, QStringLiteral("ekr.rendering"));
    QStringList names = catalogue.keys();
    names.sort();
    for (const QString& software : qAsConst(names)) {
        QVariant value;
        settings->GetValue(value, handle, QStringLiteral("ekr.rendering/") + software);
        const QStringList entries = value.toStringList();
        for (const QString& entry : entries) {
            const QStringList parts = entry.split(QLatin1Char('&'));
            const int row = table->rowCount();
            table->insertRow(row);
            auto* label = new QTableWidgetItem(parts.at(1));
            label->setData(Qt::UserRole, parts.at(0));
            table->setItem(row, 0, label);
            settings->GetValue(value, handle, parts.at(0) + QStringLiteral("/installlocation"));
            auto* folder = new QTableWidgetItem(value.toString());
            folder->setData(Qt::UserRole, software);
            table->setItem(row, 1, folder);
        }
    }
}

void SignInFloor(benchmark::State& state)
{
    FreshSettingsFolder settingsFolder;
    std::unique_ptr<ClientHost> host = startClient();
    SettingsService* settings = host->settings();
    writeCatalogue(settings, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* table = new QTableWidget(0, 2);
        state.ResumeTiming();
        fillFloorTable(settings, table);
        state.PauseTiming();
        delete table;
        state.ResumeTiming();
    }
}

// ---- Apply --------------------------------------------------------------------

const QStringList kBoxes = {"chkAutoLogin",         "chkAutoDownload",
                            "chkSoundFinish",       "chkPopupFinish",
                            "chkPrerender",         "chkUploadSceneFileOnly",
                            "chkEnableRenderLayer", "chkEnableAutoUploadFailedFiles",
                            "chkInterruptSubmit",   "chkAutoUpdate",
                            "chkAutoStart"};

// Stored: every box on, paths /a, subtask 2, the second pool, transfer type 9.
void storeFirstState(SettingsService* settings)
{
    const QVariant none;
    const QString a = QStringLiteral("ekr.account.bench/");
    for (const char* key : {"autologin", "autodownload", "soundfinish", "popupfinish", "prerender",
                            "interruptsubmit", "autoupdate", "setargument"})
        settings->SetValue(none, a + QLatin1String(key), true);
    for (const char* key : {"ekr.general/scenefileonly", "ekr.general/renderlayer",
                            "ekr.general/uploadfailedfilesautomatically", "ekr.general/autostart"})
        settings->SetValue(none, QLatin1String(key), true);
    settings->SetValue(none, a + "renderoutput", "/a/out");
    settings->SetValue(none, a + "monitorpath", "/a/watch");
    settings->SetValue(none, a + "subtask", 2);
    settings->SetValue(none, a + "poolid", "p2");
    settings->SetValue(none, "ekr.web/transfertype", 9);
    settings->sync();
}

// Shown: every box off, other paths and subtask, the first pool, the other
// default versions marked.
void editEverything(QWidget* dialog)
{
    for (const QString& name : kBoxes)
        dialog->findChild<QCheckBox*>(name)->setChecked(false);
    dialog->findChild<QCheckBox*>("chkSetArgument")->setChecked(false);
    dialog->findChild<QLineEdit*>("lneSavePath")->setText("/b/out");
    dialog->findChild<QLineEdit*>("lneMonitorPath")->setText("/b/watch");
    dialog->findChild<QSpinBox*>("spbSubTask")->setValue(7);
    dialog->findChild<QComboBox*>("cmbPool")->setCurrentIndex(0);
    auto* table = dialog->findChild<QTableWidget*>("twtSoftwareVersion");
    emit table->itemClicked(table->item(0, 0)); // 3dsmax v0 (v1 is the default)
    emit table->itemClicked(table->item(2, 0)); // maya v0
}

void Apply(benchmark::State& state)
{
    FreshSettingsFolder settingsFolder;
    std::unique_ptr<ClientHost> host = startClient();
    writeCatalogue(host->settings(), 100); // two versions per application
    emit host->communication()->SignInResponse(200, signInReply());
    emit host->communication()->PoolIdResponse(
        200, {{"data", QVariantList{QVariantMap{{"pool_id", "p1"}, {"pool_name", "One"}},
                                    QVariantMap{{"pool_id", "p2"}, {"pool_name", "Two"}}}}});
    QWidget* dialog = host->uiLoader()->tree(QLatin1String(kDialog));
    for (auto _ : state) {
        state.PauseTiming();
        storeFirstState(host->settings());
        emit host->communication()->SignInResponse(200, signInReply());
        editEverything(dialog);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        dialog->findChild<QPushButton*>("btnApply")->click();
        QCoreApplication::processEvents(); // the one sync that makes it durable
    }
}

void ApplyFloor(benchmark::State& state)
{
    // The same store the client's Apply writes to: the demo settings and a
    // catalogue of 100 versions.
    FreshSettingsFolder settingsFolder;
    QString file;
    {
        std::unique_ptr<ClientHost> host = startClient();
        writeCatalogue(host->settings(), 100);
        file = host->settings()->filePath();
    }
    QSettings settings(file, QSettings::IniFormat);
    const QString a = QStringLiteral("ekr.account.bench/");
    const QStringList keys = {a + "renderoutput",
                              a + "monitorpath",
                              a + "poolid",
                              "ekr.web/transfertype",
                              a + "autologin",
                              a + "autodownload",
                              a + "soundfinish",
                              a + "popupfinish",
                              a + "prerender",
                              "ekr.general/scenefileonly",
                              "ekr.general/renderlayer",
                              "ekr.general/uploadfailedfilesautomatically",
                              a + "subtask",
                              a + "setargument",
                              a + "interruptsubmit",
                              a + "autoupdate",
                              "ekr.general/autostart"};
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (const QString& key : keys) {
            benchmark::DoNotOptimize(settings.value(key));
            settings.setValue(key, round);
        }
        settings.setValue(a + "defaultmax", round);
        settings.setValue(a + "defaultmaya", round);
        settings.sync();
    }
}

// ---- memory -------------------------------------------------------------------

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

// Run in a process of its own: prints the heap in use after building either
// the tree alone or the whole client with its dialog.
int measureMemory(const QString& what)
{
    std::unique_ptr<ClientHost> host;
    QWidget* tree = nullptr;
    if (what == QLatin1String("client")) {
        host = startClient();
        host->configuration()->ShowConf();
    } else {
        tree = buildTree();
        tree->show();
    }
    QCoreApplication::processEvents();
    std::printf("%zu\n", heapInUse());
    delete tree;
    return 0;
}

double memoryAboveTreeMiB(const QString& self)
{
    auto measure = [&self](const char* what) {
        QProcess child;
        child.start(self, {QStringLiteral("--memory"), QLatin1String(what)});
        child.waitForFinished(120000);
        return child.readAllStandardOutput().trimmed().toDouble();
    };
    return (measure("client") - measure("tree")) / (1024.0 * 1024.0);
}

// ---- the start as a fresh process -------------------------------------------

// What a fresh process cost until it ended, as its parent sees it.
struct ProcessCost
{
    double cpuSeconds = 0; // user and system time
    double wallSeconds = 0;
    double peakMiB = 0; // resident set at its highest
};

double secondsOf(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double monotonicSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A user's home for one program: HOME, the XDG folders and the emulated
// registry, empty before its first start and kept from start to start.
class UserHome
{
public:
    UserHome()
    {
        const char* const own[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                   "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "EKR_REGISTRY_ROOT"};
        for (char** variable = environ; *variable; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            if (std::find(std::begin(own), std::end(own), name) == std::end(own))
                m_variables.push_back(entry);
        }
        for (const char* name : own) {
            const QString folder = m_root.filePath(QLatin1String(name));
            QDir().mkpath(folder);
            m_variables.push_back(std::string(name) + '=' +
                                  QFile::encodeName(folder).toStdString());
        }
        QFile::setPermissions(m_root.filePath(QStringLiteral("XDG_RUNTIME_DIR")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Runs `program --screenshot` as a fresh process in this home, its pictures
    // in a folder of their own, its output discarded.
    ProcessCost start(const QString& program)
    {
        std::vector<char*> environment;
        for (std::string& variable : m_variables)
            environment.push_back(&variable[0]);
        environment.push_back(nullptr);
        std::string path = QFile::encodeName(program).toStdString();
        std::string option = "--screenshot";
        std::string folder =
            QFile::encodeName(m_root.filePath(QStringLiteral("pictures-%1").arg(++m_starts)))
                .toStdString();
        char* arguments[] = {&path[0], &option[0], &folder[0], nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

        rusage self{};
        getrusage(RUSAGE_SELF, &self);
        ProcessCost cost;
        const double started = monotonicSeconds();
        pid_t child = 0;
        if (posix_spawn(&child, path.c_str(), &actions, nullptr, arguments, environment.data()) !=
            0)
            qFatal("cannot start %s", path.c_str());
        int status = 0;
        rusage usage{};
        const bool waited = wait4(child, &status, 0, &usage) == child;
        cost.wallSeconds = monotonicSeconds() - started;
        posix_spawn_file_actions_destroy(&actions);
        if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            qFatal("%s --screenshot failed", path.c_str());
        cost.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
        // In kilobytes on Linux, where a child's figure starts from its
        // parent's peak: one not above it says nothing of the child (NaN).
        cost.peakMiB = usage.ru_maxrss > self.ru_maxrss ? double(usage.ru_maxrss) / 1024.0 : NAN;
        return cost;
    }

private:
    QTemporaryDir m_root;
    std::vector<std::string> m_variables;
    int m_starts = 0;
};

// The client's starts and the floor's, each program in a home of its own, as
// a user starts it again and again. The very first start of each, which also
// seeds the client's demo catalogue and registers it, is kept apart; of the
// runs that follow, alternating so that both programs meet the same state of
// the machine, each measure is the best, the one least disturbed.
struct Starts
{
    ProcessCost client, floor;           // the best of the runs
    ProcessCost firstClient, firstFloor; // in an empty home
};

Starts freshProcesses(const QString& folder, int runs)
{
    const QString client = folder + QStringLiteral("/ekr_client");
    const QString floor = folder + QStringLiteral("/ekr_start_floor");
    // Whichever program starts first after a build meets cold caches: one
    // start of each, in homes thrown away, before any is counted.
    UserHome().start(client);
    UserHome().start(floor);
    UserHome clientHome, floorHome;
    Starts starts;
    starts.firstClient = clientHome.start(client);
    starts.firstFloor = floorHome.start(floor);
    auto keepBest = [](ProcessCost& best, const ProcessCost& run, bool first) {
        best.cpuSeconds = first ? run.cpuSeconds : std::min(best.cpuSeconds, run.cpuSeconds);
        best.wallSeconds = first ? run.wallSeconds : std::min(best.wallSeconds, run.wallSeconds);
        best.peakMiB = first ? run.peakMiB : std::fmin(best.peakMiB, run.peakMiB);
    };
    for (int run = 0; run < runs; ++run) {
        keepBest(starts.client, clientHome.start(client), run == 0);
        keepBest(starts.floor, floorHome.start(floor), run == 0);
    }
    return starts;
}

// Collects each benchmark's time per iteration for the summary: the best of
// its repetitions, the one least disturbed by the rest of the machine.
class Collector : public benchmark::ConsoleReporter
{
public:
    QMap<QString, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const QString name = QString::fromStdString(run.run_name.str());
            const double perIteration = run.real_accumulated_time / double(run.iterations);
            if (!seconds.contains(name) || perIteration < seconds.value(name))
                seconds.insert(name, perIteration);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void summarise(const Collector& results, double memoryMiB, const Starts& starts, bool enforce,
               int* failures)
{
    auto line = [&](const char* what, double value, double goal, const char* unit) {
        const bool ok = value <= goal; // false for NaN, a figure not measured
        if (!ok && enforce)
            ++*failures;
        std::printf("%-38s %8.2f%s  (goal <= %.2f%s)  %s\n", what, value, unit, goal, unit,
                    ok ? "met" : "MISSED");
    };
    const auto& s = results.seconds;
    auto ratio = [&s](const char* op, const char* floor) {
        return s.value(QLatin1String(floor)) > 0
                   ? s.value(QLatin1String(op)) / s.value(QLatin1String(floor))
                   : 0.0;
    };
    auto costs = [](const char* what, const ProcessCost& client, const ProcessCost& floor) {
        std::printf("%s: client %.1f ms CPU, %.1f ms wall, %.1f MiB; floor %.1f ms CPU, %.1f ms "
                    "wall, %.1f MiB\n",
                    what, client.cpuSeconds * 1e3, client.wallSeconds * 1e3, client.peakMiB,
                    floor.cpuSeconds * 1e3, floor.wallSeconds * 1e3, floor.peakMiB);
    };
    const bool processes = starts.floor.wallSeconds > 0;
    std::printf("\n");
    if (processes) {
        costs("the very first start", starts.firstClient, starts.firstFloor);
        costs("a fresh process, best of its runs", starts.client, starts.floor);
        std::printf("\n");
    }
    line("cold start / styled, shown floor", ratio("ColdStart", "ColdStartStyledFloor"), 1.25, "x");
    std::printf("%-38s %8.2fx  (for information: without the skin and the show)\n",
                "cold start / bare floor", ratio("ColdStart", "ColdStartFloor"));
    if (processes) {
        line("fresh process CPU / floor", starts.client.cpuSeconds / starts.floor.cpuSeconds, 1.10,
             "x");
        line("fresh process wall / floor", starts.client.wallSeconds / starts.floor.wallSeconds,
             1.15, "x");
        line("fresh process peak memory above floor", starts.client.peakMiB - starts.floor.peakMiB,
             1, " MiB");
    }
    line("sign-in 10000 versions / floor", ratio("SignIn/10000", "SignInFloor/10000"), 1.5, "x");
    line("sign-in 10000 / sign-in 1000", ratio("SignIn/10000", "SignIn/1000"), 12, "x");
    line("Apply, all changed / floor", ratio("Apply", "ApplyFloor"), 1.5, "x");
    if (memoryMiB >= 0)
        line("memory above the tree alone", memoryMiB, 2, " MiB");
}
} // namespace

BENCHMARK(ColdStart)->Unit(benchmark::kMillisecond);
BENCHMARK(ColdStartFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(ColdStartStyledFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(SignIn)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(SignInFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(Apply)->Unit(benchmark::kMicrosecond);
BENCHMARK(ApplyFloor)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    HermeticEnvironment environment;
    std::vector<char*> args(argv, argv + argc);
    auto given = [&args](const std::string& option) {
        return std::find_if(args.begin(), args.end(), [&option](const char* a) {
            return std::string(a).rfind(option, 0) == 0;
        });
    };
    // --smoke: a few iterations to keep the benchmark alive in the tests; no
    // goal is enforced then. --processes=N: the runs of each program as a
    // fresh process after its very first start, 0 for none.
    const bool smoke = given("--smoke") != args.end();
    int processRuns = smoke ? 1 : 31;
    if (given("--processes=") != args.end())
        processRuns = std::max(0, std::atoi(*given("--processes=") + 12));
    // The fresh processes are measured before this process grows: a child's
    // peak memory as the system reports it is never below its parent's at the
    // time it was started.
    Starts starts;
    if (processRuns > 0 && given("--memory") == args.end())
        starts = freshProcesses(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath(),
                                processRuns);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ekr_client"));
    QApplication::setApplicationVersion(QStringLiteral("0.9.0"));
    // The plugin's and services' diagnostics would drown the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    const QStringList arguments = QCoreApplication::arguments();
    const int memory = arguments.indexOf(QStringLiteral("--memory"));
    if (memory > 0 && memory + 1 < arguments.size())
        return measureMemory(arguments.at(memory + 1));

    args.erase(std::remove_if(args.begin(), args.end(),
                              [](const char* a) {
                                  const std::string argument(a);
                                  return argument == "--smoke" ||
                                         argument.rfind("--processes=", 0) == 0;
                              }),
               args.end());
    static std::string minTime = "--benchmark_min_time=0.01";
    static std::string repetitions = "--benchmark_repetitions=5";
    // Before the caller's own flags, which thereby win.
    args.insert(args.begin() + 1, smoke ? &minTime[0] : &repetitions[0]);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double memoryMiB =
        smoke ? -1 : memoryAboveTreeMiB(QCoreApplication::applicationFilePath());
    int failures = 0;
    summarise(collector, memoryMiB, starts, !smoke, &failures);
    return failures == 0 ? 0 : 1;
}
