#pragma once

// Generated bad input, shared by the robustness test (choices from a seeded random generator) and
// the fuzzer (choices from its bytes): every choice goes through draw(), so that the same choices
// give the same case.

#include <QVariant>

#include <functional>

class PluginHarness;

struct ReplyGenerator
{
    std::function<quint32(quint32)> draw; // a number below its bound
    int bigLeft = 2;                      // megabyte texts or thousands of pools left in a case

    int below(int bound) { return bound <= 0 ? 0 : int(draw(quint32(bound)) % quint32(bound)); }
    bool percent(int chance) { return below(100) < chance; }
    QVariant value(int depth = 2); // of any type, nested up to depth containers deep
    QVariantMap reply(int kind);   // sign-in, pools, sign-out or latest version
};

// Brings up the real plugin with the client's widget tree and a store with the account "ann".
bool startComponent(PluginHarness& harness);
// One case: a reply of the communication service with any result code, or stored values of any
// type that a sign-in loads and Apply writes back. login is the account the component signed in
// last, which the case may change. Returns what went wrong, if anything.
QString runCase(ReplyGenerator& g, PluginHarness& harness, QString& login);
