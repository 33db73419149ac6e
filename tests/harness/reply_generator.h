#ifndef EKR_REPLY_GENERATOR_H
#define EKR_REPLY_GENERATOR_H

// Bad values and replies of every shape, for the robustness test (choices from
// a seeded random generator) and the fuzzer (choices from its bytes). Every
// choice goes through draw(), so the same choices give the same values.

#include <QVariant>

#include <functional>
#include <initializer_list>

class FakeCommunication;

enum ReplyKind
{
    SignInReply,
    PoolIdReply,
    SignOutReply,
    LatestVersionReply,
    ReplyKindCount
};
extern const char* const kReplyKindNames[ReplyKindCount];

class ReplyGenerator
{
public:
    // draw(bound) gives a number below bound, or any 32-bit number for 0.
    explicit ReplyGenerator(std::function<quint32(quint32)> draw) : m_draw(std::move(draw)) {}

    int below(int bound) { return bound <= 0 ? 0 : int(m_draw(quint32(bound)) % quint32(bound)); }
    bool percent(int chance) { return below(100) < chance; }
    quint32 any() { return m_draw(0); }
    template <size_t N> const char* pick(const char* const (&choices)[N])
    {
        return choices[below(int(N))];
    }

    int weighted(std::initializer_list<int> weights); // index of the range below(100) falls in
    int resultCode();
    QString login();
    QString text();
    QVariant scalar();
    QVariant value(int depth = 2);
    QVariantMap map(int depth);
    QVariantMap reply(ReplyKind kind); // also allows the big pieces again
    QVariant catalogue();              // a software's "<version id>&<label>" list
    QVariant stored();                 // a stored value: near some setting's own type, or anything

private:
    bool big(); // rarely, and at most a few times per reply: megabyte texts, thousands of pools

    std::function<quint32(quint32)> m_draw;
    int m_bigLeft = 2;
};

void deliverReply(FakeCommunication& communication, ReplyKind kind, int code,
                  const QVariantMap& reply);

#endif
