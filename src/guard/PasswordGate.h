#pragma once

#include <QByteArray>
#include <QString>

namespace zelkor
{

// Argon2id hash with its own salt, as libsodium's crypto_pwhash_str writes it;
// empty when hashing failed (out of memory, or libsodium is not installed).
QByteArray hashPassword(const QString& password);
bool verifyPassword(const QByteArray& hash, const QString& password);

// Checks passwords against the stored hash, and after five wrong tries in a
// row makes the next one wait 30 s. Time is the platform's tick count (ms).
class PasswordGate
{
public:
    enum class Result { Accepted, Wrong, Waiting };
    static constexpr int kTriesBeforeWait = 5;
    static constexpr quint32 kWaitMs = 30000;

    bool isSet() const { return !m_hash.isEmpty(); }
    const QByteArray& hash() const { return m_hash; }
    void setHash(const QByteArray& hash) { m_hash = hash; }

    // While waiting, the password is not even looked at.
    Result attempt(const QString& password, quint32 tickMs);
    // Whole seconds left to wait at `tickMs`; 0 when a try may be made.
    int secondsToWait(quint32 tickMs) const;

private:
    QByteArray m_hash;
    int m_wrongInARow = 0;
    bool m_waiting = false;
    quint32 m_waitStart = 0;
};

} // namespace zelkor
