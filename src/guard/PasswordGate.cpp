#include "guard/PasswordGate.h"

#include <sodium.h>

namespace zelkor
{

namespace
{
bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}
} // namespace

QByteArray hashPassword(const QString& password)
{
    if (!sodiumReady())
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES] = {};
    if (crypto_pwhash_str_alg(
            out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QByteArray(out);
}

bool verifyPassword(const QByteArray& hash, const QString& password)
{
    if (hash.isEmpty() || !sodiumReady())
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
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
