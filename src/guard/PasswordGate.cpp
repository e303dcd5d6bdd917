#include "guard/PasswordGate.h"

#include "platform/LaterLibrary.h"

#include <sodium.h>

namespace zelkor
{

namespace
{
// libsodium's functions, from the library opened at the first password set or
// checked; nothing where it is missing or does not start.
struct Sodium {
    decltype(&crypto_pwhash_str_alg) hash = nullptr;
    decltype(&crypto_pwhash_str_verify) verify = nullptr;

    static const Sodium* get()
    {
        static const Sodium api = [] {
            LaterLibrary library("sodium", 23);
            Sodium a;
            decltype(&sodium_init) init = nullptr;
            if (!library.resolve(init, "sodium_init") || init() < 0 ||
                !library.resolve(a.hash, "crypto_pwhash_str_alg") ||
                !library.resolve(a.verify, "crypto_pwhash_str_verify"))
                a.hash = nullptr;
            return a;
        }();
        return api.hash && api.verify ? &api : nullptr;
    }
};
} // namespace

QByteArray hashPassword(const QString& password)
{
    const Sodium* sodium = Sodium::get();
    if (!sodium)
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES] = {};
    if (sodium->hash(out, utf8.constData(), quint64(utf8.size()),
                     crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                     crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QByteArray(out);
}

bool verifyPassword(const QByteArray& hash, const QString& password)
{
    const Sodium* sodium = hash.isEmpty() ? nullptr : Sodium::get();
    if (!sodium)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return sodium->verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

int PasswordGate::secondsToWait(quint32 tickMs) const
{
    if (!m_waiting)
        return 0;
    const quint32 elapsed = tickMs - m_waitStart; // wraps like the tick count
    if (elapsed >= kWaitMs)
        return 0;
    return int((kWaitMs - elapsed + 999) / 1000);
}

PasswordGate::Result PasswordGate::attempt(const QString& password, quint32 tickMs)
{
    if (secondsToWait(tickMs) > 0)
        return Result::Waiting;
    m_waiting = false;
    if (verifyPassword(m_hash, password)) {
        m_wrongInARow = 0;
        return Result::Accepted;
    }
    if (++m_wrongInARow >= kTriesBeforeWait) {
        m_wrongInARow = 0;
        m_waiting = true;
        m_waitStart = tickMs;
    }
    return Result::Wrong;
}

} // namespace zelkor
