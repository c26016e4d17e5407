#include "sim/RunSession.h"

#include <utility>

namespace {
constexpr int FIRST_SETTING = 1;
}  // namespace

RunSession::RunSession(std::uint32_t seed) : slot(std::in_place, random)
{
    slot->SetSetting(FIRST_SETTING);
    // Seeded after the machine's first reset, so that the first run draws
    // the sequence's first numbers.
    random.Seed(seed);
}

void RunSession::Reseed(std::uint32_t seed)
{
    random.Seed(seed);
    // A new machine, as the command line starts with: what the last run left
    // in it (its mode, colours) decides how many numbers the first reset draws.
    slot.emplace(random);
}

void RunSession::Show(std::shared_ptr<const PlaySeries> series, Header header)
{
    held = series;
    shown = std::move(series);
    heldHeader = header;
    shownHeader = header;
}

void RunSession::Hold(std::shared_ptr<const PlaySeries> series, Header header)
{
    held = std::move(series);
    heldHeader = header;
}

void RunSession::HoldShown()
{
    held = shown;
    heldHeader = shownHeader;
}

const PlaySeries& RunSession::Shown() const
{
    static const PlaySeries none;
    return shown ? *shown : none;
}

const PlaySeries& RunSession::Held() const
{
    static const PlaySeries none;
    return held ? *held : none;
}
