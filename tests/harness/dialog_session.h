#pragma once

#include "plugin_harness.h"
#include "test_environment.h"

#include <QtWidgets>

inline const QString kProductId = QStringLiteral("{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}");

// The emulated uninstall key the plugin reads the installed version from, in
// the test's own registry root: subkey name -> DisplayVersion (an invalid
// value leaves DisplayVersion out).
inline void writeUninstallKey(const QList<QPair<QString, QVariant>>& subkeys)
{
    const bool wow64 = QSysInfo::currentCpuArchitecture() == QLatin1String("x86_64");
    QSettings key(qEnvironmentVariable("EKR_REGISTRY_ROOT") + "/HKEY_LOCAL_MACHINE/SOFTWARE/" +
                      (wow64 ? "Wow6432Node/" : "") +
                      "Microsoft/Windows/CurrentVersion/Uninstall.ini",
                  QSettings::IniFormat);
    key.clear();
    for (const auto& subkey : subkeys) {
        key.setValue(subkey.first + "/DisplayName", "test");
        if (subkey.second.isValid())
            key.setValue(subkey.first + "/DisplayVersion", subkey.second);
    }
}

// A started component with the client's real widget tree, skins and
// translations, and the recording doubles of the other services, driven by
// scripts as the host and the user would drive it (see run()).
struct DialogSession
{
    PluginHarness harness;
    FakeSettings& store = harness.settings;
    FakeCommunication& farm = harness.communication;
    UiLoaderService* loader = harness.useHostUiLoader();
    QTemporaryDir folder; // "TMP" in scripts
    QWidget other;        // another window of the client
    // The requests to the farm, the output folder shown and the table filled,
    // each with whether the dialog was shown, the last key read and the writes
    // so far: the order of what the component does.
    QStringList events;

    DialogSession()
    {
        harness.bringUp();
        if (harness.initializeAndStart() != 0)
            qFatal("the component did not start");
        farm.onRequest = [this] {
            const auto& made = farm.requests.last();
            note(made.operation + '@' + made.handle.toString() +
                 QJsonDocument(QJsonObject::fromVariantHash(made.data))
                     .toJson(QJsonDocument::Compact));
        };
        QObject::connect(get<QLineEdit>("lneSavePath"), &QLineEdit::textChanged,
                         [this](const QString& text) { note("output " + text); });
        QObject::connect(table()->model(), &QAbstractItemModel::rowsInserted,
                         [this] { note("rows, version " + seen("lblCurrentVersionV")); });
    }
    void note(const QString& event)
    {
        events << QString("%1 after %2, %3 written")
                      .arg(event + (window()->isVisible() ? " while shown" : ""),
                           store.reads.value(store.reads.size() - 1, "-"))
                      .arg(store.writes.size());
    }
    template <class W = QWidget> W* get(const QString& name) const
    {
        return harness.widget<W>(name);
    }
    QWidget* window() const { return harness.dialogWindow(); }
    QTableWidget* table() const { return get<QTableWidget>("twtSoftwareVersion"); }
    // The control with the keyboard focus, the dialog being the active window (the offscreen
    // platform does not activate a window shown again).
    QWidget* focused() const
    {
        return QApplication::setActiveWindow(window()), QApplication::focusWidget();
    }

    // Runs the steps of a script (the language: tests/dialog.scripts), and returns them with
    // what each check saw in place of what it expected.
    QStringList run(const QString& script)
    {
        QStringList steps = script.split("; ");
        for (QString& step : steps) {
            const QString verb = step.section(' ', 0, 0), rest = step.section(' ', 1);
            const QString name = verb.section('=', 0, 0), value = step.section('=', 1);
            const QString path =
                QString(verb == "choose" ? rest : value).replace("TMP", folder.path());
            const int row = rest.section(' ', 0, 0).toInt(), column = rest.section(' ', 1).toInt();
            QList<QPair<QString, QVariant>> pairs; // the words of the step as "key=value"
            QVariantList pools;                    // and as pools
            for (QString word : rest.split(' ', Qt::SkipEmptyParts)) {
                const QString text = word.replace('~', "ekr.account.ann/")
                                         .replace("TMP", folder.path())
                                         .section('=', 1);
                pairs.append({word.replace("ID", kProductId).section('=', 0, 0),
                              !word.contains('=')  ? QVariant()
                              : text.contains(',') ? QVariant(text.split(','))
                                                   : QVariant(text)});
                pools << QVariantMap{
                    {"pool_id", word.left(1)}, {"pool_name", word}, {"pool_type", word.mid(1)}};
            }
            QWidget* widget = verb.contains('=') ? get(name.section('.', 0, 0)) : nullptr;
            const QHash<QString, std::function<void()>> verbs{
                {"put",
                 [&] {
                     for (const auto& [key, value] : pairs)
                         store.store.insert(key, value);
                 }},
                {"reg", [&] { writeUninstallKey(pairs); }},
                {"in", [&] { harness.signIn("ann", rest.isEmpty() ? 200 : rest.toInt()); }},
                {"pools",
                 [&] {
                     emit farm.PoolIdResponse(rest == "failed" ? 500 : 200, {{"data", pools}});
                 }},
                {"latest",
                 [&] {
                     emit farm.LatestVersionResponse(rest == "failed" ? 503 : 200, {{"ver", rest}});
                 }},
                {"load", [&] { emit store.SettingsUpdated(); }},
                {"show", [&] { harness.component()->ShowConf(); }},
                {"out", [&] { emit farm.SignOutResponse(401, {}); }},
                {"other", [&] { other.show(), other.activateWindow(); }},
                {"press", [&] { get<QPushButton>(rest)->click(); }},
                {"key", [&] { QTest::keySequence(focused(), rest); }},
                {"language", [&] { loader->setLanguage(rest), QApplication::processEvents(); }},
                {"click", [&] { emit table()->itemClicked(table()->item(row, column)); }},
                {"double", [&] { emit table()->cellDoubleClicked(row, column); }},
                {"select", [&] { table()->selectRow(row); }},
                {"make",
                 [&] {
                     rest.endsWith('/')
                         ? QDir(folder.path()).mkpath(rest)
                         : QFile(folder.path() + '/' + rest).open(QIODevice::WriteOnly);
                 }},
                {"forget",
                 [&] { store.writes.clear(), harness.fileWatcher.calls.clear(), events.clear(); }},
                {"choose", [&] {
                     answerNextModal<QFileDialog>(loader, [path](QFileDialog* dialog) {
                         const bool exists = QFileInfo(path).isDir();
                         if (path == "cancel")
                             return dialog->reject();
                         dialog->setDirectory(exists ? path : QFileInfo(path).path());
                         if (exists) // picked, or else typed in
                             return (void)QMetaObject::invokeMethod(dialog, "accept");
                         dialog->findChild<QLineEdit*>("fileNameEdit")
                             ->setText(QFileInfo(path).fileName());
                         dialog->QDialog::accept();
                     });
                 }}};
            if (verb.startsWith('?'))
                step = (verb + ' ' + seen(verb.mid(1))).trimmed();
            else if (verbs.contains(verb))
                verbs[verb]();
            else if (name.contains('.'))
                widget->setProperty(qPrintable(name.section('.', 1)), value);
            else if (qobject_cast<QPushButton*>(widget))
                widget->setEnabled(value == "on");
            else
                widget->metaObject()->userProperty().write(widget, path);
        }
        return steps;
    }
    // What a check sees (tests/dialog.scripts).
    QString seen(const QString& what)
    {
        QStringList text;
        auto* pools = get<QComboBox>("cmbPool");
        const auto take = [&text](QStringList& list) { text << list, list.clear(); };
        if (what == "writes")
            take(store.writes);
        else if (what == "watched")
            take(harness.fileWatcher.calls);
        else if (what == "events")
            text << events.join(" | "), events.clear();
        else if (what == "asked")
            take(harness.messagebox.questions);
        else if (what == "marks")
            text << marks();
        else if (what == "tabs") // from the focused control round to it again
            for (const QString from = focused()->objectName();
                 text.size() < 40 && text.value(text.size() - 1) != from;)
                run("key Tab"), text << focused()->objectName();
        else if (what == "heard")
            text << hear(QAccessible::queryAccessibleInterface(window())).join(", ");
        else if (what == "shown")
            text << (window()->isVisible() ? "yes" : "no");
        else if (what == "current") // the current row, and how many cells are selected
            text << QString::number(table()->currentRow())
                 << QString::number(table()->selectedItems().size());
        else if (what == "autostart")
            text << contents(
                        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        "/autostart/quillmoor_client.desktop")
                        .split('\n')
                        .filter("Exec=");
        else if (what == "pool")
            text << QString("%1 of %2").arg(pools->currentIndex()).arg(pools->count());
        else if (what == "active")
            QApplication::processEvents(), // activation is an event of the window system
                text << (QApplication::activeWindow() == window() ? "dialog"
                         : QApplication::activeWindow() == &other ? "other"
                                                                  : "none");
        else if (what == "checked")
            for (auto* box : window()->findChildren<QCheckBox*>())
                text << (box->isChecked() ? box->objectName() : "");
        else if (what.contains('.'))
            text << get(what.section('.', 0, 0))
                        ->property(qPrintable(what.section('.', 1)))
                        .toString();
        else if (auto* widget = get(what); qobject_cast<QPushButton*>(widget))
            text << (widget->isEnabled() ? "on" : "off");
        else
            text << (qobject_cast<QLabel*>(widget)
                         ? widget->property("text")
                         : widget->metaObject()->userProperty().read(widget))
                        .toString();
        return text.join(' ')
            .simplified()
            .replace("ekr.account.ann/", "~")
            .replace(QCoreApplication::applicationDirPath(), "APP")
            .replace(folder.path(), "TMP")
            .replace(kProductId, "ID");
    }
    // What a screen reader announces for each shown control under node, in the tree's order:
    // the name of its related label if it has one (Linux takes a combo box's own name from its
    // current text), else its own, and any description.
    QStringList hear(QAccessibleInterface* node) const
    {
        QStringList heard;
        static const QSet<QAccessible::Role> controls{
            QAccessible::PushButton, QAccessible::CheckBox, QAccessible::EditableText,
            QAccessible::ComboBox,   QAccessible::SpinBox,  QAccessible::List,
            QAccessible::Table};
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child->state().invisible)
                continue;
            const auto labels = child->relations(QAccessible::Label);
            const QString about = child->text(QAccessible::Description);
            if (!controls.contains(child->role()))
                heard << hear(child);
            else
                heard << (labels.isEmpty() ? child : labels[0].first)->text(QAccessible::Name) +
                             (about.isEmpty() ? "" : " (" + about + ")");
        }
        return heard;
    }
    // Per row of the software table: 'x' painted grey as a default, 'o'
    // painted white, '.' never painted; painted rows have dark text, both
    // cells alike.
    QString marks() const
    {
        QString text;
        for (int row = 0; row < table()->rowCount(); ++row) {
            const QTableWidgetItem *label = table()->item(row, 0), *cell = table()->item(row, 1);
            const QBrush back = cell->background(), fore = cell->foreground();
            const QString paint = back.color().name() + fore.color().name();
            text += label->background() != back || label->foreground() != fore ? '?'
                    : back.style() == Qt::NoBrush                              ? '.'
                    : paint == "#c8c8c8#20242a"                                ? 'x'
                    : paint == "#ffffff#20242a"                                ? 'o'
                                                                               : '?';
        }
        return text;
    }
};
