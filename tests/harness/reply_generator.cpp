#include "reply_generator.h"

#include "plugin_harness.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtNumeric>

namespace {
// clang-format off
// Values of every type: account names ("ann" is the stored one), numbers and texts that parse or
// almost, catalogue entries, and a megabyte dense with separators, NULs, surrogates and marks.
const ushort kPiece[] = {'&', '/', 0x540D, 0x202E, 0, 0xD800, 0xDFFF, 0xFFFF, 0x0301, 'x'};
const QVariant kValues[] = {QVariant(), QVariant(QMetaType::QString, nullptr), "ann", "bo", "",
    " ann", "a/b", "%1", "0", "-1", "1e309", "nan", "2147483648", "1.10.0", "1..2", "&", "m1&Maya",
    "m2&", "x1&Max&2", QString(10000, 'w'), QString::fromUtf8("\xe5\x90\x8d \xe2\x80\xae"),
    QChar(0xD800) + QStringLiteral("x\0y"), QDir::tempPath(), 0, 1, 2, -1, 30001, INT_MIN, INT_MAX,
    ULLONG_MAX, -0.0, 1e308, qQNaN(), -qInf(), true, false, QByteArray("\xff\xfe\0", 3),
    QStringList{"m1&Maya", "m2"}, QJsonObject{{"token", 3}}, QJsonArray{1, "two"}, QJsonValue(),
    QVariant::fromValue(QList<int>{2}), QVariant::fromValue(QMap<QString, QString>{{"ver", "2"}}),
    QString(reinterpret_cast<const QChar*>(kPiece), 10).repeated(104858)};
// The keys the handlers read and near misses; where the component reads stored values.
const char* const kReplyKeys[] = {"loginname", "username", "data", "token", "pool_id", "pool_name",
    "ver", "", "Data"};
const char* const kStoredKeys[] = {"ekr.account.ann/renderoutput", "ekr.account.ann/poolid",
    "ekr.account.ann/subtask", "ekr.account.ann/autologin", "ekr.account.ann/checkinterval",
    "ekr.account.ann/defaultmaya", "ekr.general/autostart", "ekr.rendering/maya",
    "ekr.rendering/3dsmax", "ekr.rendering/", "ekr.rendering", "ekr.rendering/a/b",
    "m1/installlocation", "m2/installlocation"};
const char* const kReplies[] = {"SignInResponse", "PoolIdResponse", "SignOutResponse",
    "LatestVersionResponse"};
// clang-format on
} // namespace

QVariant ReplyGenerator::value(int depth)
{
    const int shape = depth > 0 && percent(30) ? below(3) : 3;
    const QVariant& scalar = kValues[below(std::size(kValues))];
    if (shape == 3)
        return scalar.toString().size() < 20000 || bigLeft-- > 0 ? scalar : QVariant();
    QVariantList list; // or a map of it, or that as JSON
    QVariantMap map;
    for (int i = below(percent(90) ? 5 : 13); i > 0; --i) {
        list << value(depth - 1);
        map.insert(kReplyKeys[below(std::size(kReplyKeys))], list.last());
    }
    return shape == 0   ? QVariant(list)
           : shape == 1 ? QVariant(map)
                        : QJsonObject::fromVariantMap(map);
}

QVariantMap ReplyGenerator::reply(int kind)
{
    QVariantList pools; // now and then thousands
    for (int n = kind == 1 && below(100) == 0 && bigLeft-- > 0 ? 4000 : below(6); n > 0; --n)
        pools << QVariantMap{{"pool_id", QString("p%1").arg(below(4))}, {"pool_type", below(3)}};
    const QVariantMap proper[] = {
        {{"loginname", "ann"}, {"username", "Ann"}, {"data", QVariantMap{{"token", "t0k3n"}}}},
        {{"data", pools}},
        {},
        {{"ver", "1.2.3"}}};
    QVariantMap reply = proper[kind];
    for (QVariant& field : reply) {
        if (percent(40)) // or anything in its place
            field = value();
    }
    if (percent(30)) // strangers among the keys
        reply.insert(value(1).toMap());
    return reply;
}

bool startComponent(PluginHarness& h)
{
    h.useHostUiLoader();
    h.bringUp();
    h.messagebox.answer = "btnMessageBox_1"; // "Cancel" to any question
    return h.initializeAndStart() == 0 && h.dialogWindow();
}

QString runCase(ReplyGenerator& g, PluginHarness& h, QString& login)
{
    // What the doubles recorded, dropped so that a long run does not pile it up.
    h.settings.reads.clear(), h.settings.writes.clear();
    h.communication.requests.clear(), h.messagebox.questions.clear(), h.fileWatcher.calls.clear();
    g.bigLeft = 2;
    const int kind = g.below(5), code = g.percent(70) ? 200 : g.value(0).toInt();
    const QVariantMap reply = g.reply(kind % 4);
    auto* path = h.widget<QLineEdit>("lneSavePath");
    if (kind == 4) {       // stored values that a sign-in loads and Apply writes back
        if (g.percent(35)) // now and then from a clean store; otherwise earlier values meet new
            h.settings.store = {{"ekr.rendering/maya", QStringList{"m1&Maya", "m2&Maya 2"}}};
        for (int count = g.below(6); count >= 0; --count)
            h.settings.store.insert(kStoredKeys[g.below(std::size(kStoredKeys))], g.value());
        login = "ann";
        h.signIn(login);
        path->setText(g.percent(50) ? path->text() : g.value(0).toString());
        h.widget<QPushButton>("btnApply")->setEnabled(true);
        h.widget<QPushButton>("btnApply")->click(); // a folder is stored trimmed, unless empty
        const QString typed = path->text().trimmed();
        if (!typed.isEmpty() && h.settings.store["ekr.account.ann/renderoutput"] != typed)
            return "Apply did not store the output folder " + typed;
    } else {
        if (kind == 2 && g.percent(50))
            h.component()->ShowConf();
        QMetaObject::invokeMethod(&h.communication, kReplies[kind], Q_ARG(int, code),
                                  Q_ARG(QVariantMap, reply));
        const auto& requests = h.communication.requests;
        if (kind == 2 ? h.dialogWindow()->isVisible()
                      : code != 200 && (requests.size() || h.settings.writes.size()))
            return QString("%1 with result %2: ").arg(kReplies[kind]).arg(code) +
                   (kind == 2 ? "the dialog stayed open" : "a failure was acted on");
        if (kind != 0 || code != 200)
            return "";
        login = reply.value("loginname").toString();
        const QVariantHash asked{{"username", reply.value("username").toString()},
                                 {"token", reply.value("data").toMap().value("token").toString()}};
        if (requests.size() != 1 || requests[0].data != asked)
            return "the pool request does not carry the user name and token of a sign-in";
    }
    // One table row per catalogue entry with a label after "&", of each software directly under
    // "ekr.rendering"; an empty account loads nothing.
    int entries = 0;
    for (auto it = h.settings.store.cbegin(); it != h.settings.store.cend(); ++it) {
        if (it.key().startsWith("ekr.rendering/") && !it.key().mid(14).contains('/'))
            entries += it.value().toStringList().filter("&").size();
    }
    const int rows = h.widget<QTableWidget>("twtSoftwareVersion")->rowCount();
    return login.isEmpty() || rows == entries
               ? ""
               : QString("%1 rows for %2 entries").arg(rows).arg(entries);
}
