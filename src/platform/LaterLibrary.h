#pragma once

#include <QLibrary>

namespace zelkor {

// A library the program opens at its first use instead of at start: sound,
// the X screen saver extension and password hashing are needed by few runs,
// and every library linked in costs every start. Functions are looked up by
// name.
class LaterLibrary {
public:
    LaterLibrary(const char* name, int version) : m_library(QLatin1String(name), version) {}

    // Sets `function` to the library's function `symbol`; false, and a null
    // function, when the library or the function is missing.
    template <typename F> bool resolve(F& function, const char* symbol)
    {
        function = reinterpret_cast<F>(m_library.resolve(symbol));
        return function != nullptr;
    }

private:
    QLibrary m_library;
};

} // namespace zelkor
