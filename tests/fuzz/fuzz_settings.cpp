// libFuzzer target: the settings file reader. Whatever the bytes, reading must
// not crash, must give only values the controls can take, and what it read
// must write out and read back unchanged.
#include "common/DayNumber.h"
#include "shell/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

using namespace zelkor;

namespace {
void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "settings reader: %s\n", what);
        std::abort();
    }
}

bool sameWallClock(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b)
{
    if (!a || !b)
        return !a && !b;
    return daynum::fromDateTime(*a) == daynum::fromDateTime(*b);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const settings::SettingsRecord first = settings::parse(bytes);
    if (first.timer.action)
        require(*first.timer.action >= 1 && *first.timer.action <= 9, "action outside 1..9");
    for (const auto& picker : first.timer.pickers)
        require(!picker || picker->isValid(), "invalid date-time accepted");

    const QByteArray written = settings::format(first);
    require(written.count("\r\n") <= settings::kLineCount, "more than 13 lines written");
    const settings::SettingsRecord second = settings::parse(written);
    require(second.timer.modes == first.timer.modes, "mode lines changed on the way back");
    require(second.timer.force == first.timer.force, "force line changed");
    require(second.timer.action == first.timer.action, "action line changed");
    require(second.startInTray == first.startInTray && second.startHidden == first.startHidden,
            "option lines changed");
    for (size_t i = 0; i < first.timer.pickers.size(); ++i)
        require(sameWallClock(second.timer.pickers[i], first.timer.pickers[i]), "date-time changed");
    return 0;
}
