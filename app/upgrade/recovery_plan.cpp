#include "app/upgrade/recovery_plan.h"

namespace app {

RecoveryStep NextRecoveryStep(const LeftBehind& found, TriedSteps tried) {
  // In this order: debris first, then the old set back where nothing is in
  // place, and only then may a ready set fill the place still empty.
  const struct {
    bool wanted;
    RecoveryStep step;
  } steps[] = {
      {found.givenUp, RecoveryStep::RemoveGivenUp},
      {found.aside && !found.toolSet, RecoveryStep::PutOldBack},
      {found.aside && found.toolSet, RecoveryStep::GiveUpAside},
      {found.ready && found.readySet && !found.toolSet, RecoveryStep::PutReadyInPlace},
      {found.ready, RecoveryStep::GiveUpReady},
      {found.staging, RecoveryStep::GiveUpStaging},
  };
  for (const auto& s : steps)
    if (s.wanted && !(tried & (1u << static_cast<unsigned>(s.step)))) return s.step;
  return RecoveryStep::Done;
}

}  // namespace app
