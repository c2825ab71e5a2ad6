// What an interrupted upgrade left, and the order it is put right in
// (pure). The drive is looked at again after every step, and each step is
// tried once, so a step that fails never stops the ones after it.
#pragma once
#include <cstdint>

namespace app {

// Which of the upgrade's folders are on the drive.
struct LeftBehind {
  bool toolSet = false;   // ZEDOVAV
  bool aside = false;     // the old set, moved aside for the swap
  bool ready = false;     // the new set's folder, read back whole
  bool readySet = false;  // and the set in it
  bool staging = false;   // unpacked in part, or not yet read back
  bool givenUp = false;   // sets given up, only ever deleted
  bool Any() const { return aside || ready || staging || givenUp; }
};

enum class RecoveryStep : uint8_t {
  Done,
  RemoveGivenUp,    // delete every given-up set
  PutOldBack,       // aside -> ZEDOVAV: there is no set in place
  GiveUpAside,      // its successor is in place
  PutReadyInPlace,  // ready\ZEDOVAV -> ZEDOVAV: the one whole set there is
  GiveUpReady,
  GiveUpStaging,
  kCount
};

// Each step tried so far, as bit 1 << step.
using TriedSteps = uint32_t;

RecoveryStep NextRecoveryStep(const LeftBehind& found, TriedSteps tried);

}  // namespace app
