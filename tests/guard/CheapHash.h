#pragma once

#include <QByteArray>
#include <QString>

#include <sodium.h>

namespace zelkor::test
{

// An Argon2id hash at libsodium's lowest cost: the same format the program
// writes, checked in milliseconds, so tests that only need some password set
// do not spend a second per check.
inline QByteArray cheapHash(const QString& password)
{
    if (sodium_init() < 0)
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES] = {};
    if (crypto_pwhash_str_alg(out, utf8.constData(), quint64(utf8.size()),
                              crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QByteArray(out);
}

} // namespace zelkor::test
