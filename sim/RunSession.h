#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "sim/PlaySeries.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

// The runs of one window: the machine and its random source for the whole
// program, the run on show and the run held for saving.
//
// To be used as follows: play a new run with Machine() into a series of its
// own, never into one that is shown or held, and hand it to Show once it is
// displayed; it becomes the run on show and the held one. A batch keeps its
// last simulation with Hold, while the run on show stays. Before a run takes
// memory, HoldShown lets go of a run held but not shown. Reseed starts a new
// machine from a seed, as the command line does. The session is fixed in
// memory: the machine keeps a reference to the random source.
class RunSession {
public:
    // The setting and play count a run was played with, or a file's header
    // holds: what a save writes with the run's rows.
    struct Header {
        int setting = 1;
        int playCount = 0;
    };

    explicit RunSession(std::uint32_t seed);
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    Slot& Machine() { return *slot; }
    const Slot& Machine() const { return *slot; }
    RandomSource& Random() { return random; }

    void Reseed(std::uint32_t seed);

    void Show(std::shared_ptr<const PlaySeries> series, Header header);
    void Hold(std::shared_ptr<const PlaySeries> series, Header header);
    void HoldShown();
    void DropShown() { shown.reset(); }
    void DropHeld() { held.reset(); }

    // Empty series when there is none.
    const PlaySeries& Shown() const;
    const PlaySeries& Held() const;
    const Header& HeldHeader() const { return heldHeader; }

private:
    // Declared in this order on purpose: the Slot keeps a reference to random.
    // Always engaged; optional so that a seeded run can start a new machine.
    RandomSource random;
    std::optional<Slot> slot;
    // Shared with the views while on show, so no command changes the rows
    // another one is reading.
    std::shared_ptr<const PlaySeries> held;
    std::shared_ptr<const PlaySeries> shown;
    Header heldHeader;
    Header shownHeader;
};
