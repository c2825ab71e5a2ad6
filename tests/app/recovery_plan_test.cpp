// The order an interrupted upgrade is put right in, walked over every
// state a cut can leave, with steps that succeed or fail as a drive lets
// them.
#include <gtest/gtest.h>

#include <vector>

#include "app/upgrade/recovery_plan.h"

using namespace app;

namespace {

using Step = RecoveryStep;

struct Walk {
  std::vector<Step> steps;
  LeftBehind end;
  bool lostTheOnlySet = false;  // a whole set deleted with none in place
};

// Runs the plan as the upgrade does, looking again after every step; the
// step `failing` leaves the drive as it was.
Walk Recover(LeftBehind drive, Step failing = Step::Done) {
  Walk walk;
  TriedSteps tried = 0;
  for (Step step; (step = NextRecoveryStep(drive, tried)) != Step::Done;) {
    EXPECT_FALSE(tried & (1u << unsigned(step))) << "a step tried twice";
    tried |= 1u << unsigned(step);
    walk.steps.push_back(step);
    if (walk.steps.size() > unsigned(Step::kCount)) break;
    if (step == failing) continue;
    const bool setInPlace = drive.toolSet;
    switch (step) {
      case Step::RemoveGivenUp: drive.givenUp = false; break;
      case Step::PutOldBack: drive.aside = false, drive.toolSet = true; break;
      case Step::GiveUpAside:
        walk.lostTheOnlySet |= !setInPlace;
        drive.aside = false;
        break;
      case Step::PutReadyInPlace: drive.readySet = false, drive.toolSet = true; break;
      case Step::GiveUpReady:
        walk.lostTheOnlySet |= drive.readySet && !setInPlace;
        drive.ready = drive.readySet = false;
        break;
      case Step::GiveUpStaging: drive.staging = false; break;
      default: break;
    }
  }
  walk.end = drive;
  return walk;
}

LeftBehind Drive(bool toolSet, bool aside, bool ready, bool readySet, bool staging, bool givenUp) {
  return {toolSet, aside, ready, ready && readySet, staging, givenUp};
}

TEST(RecoveryPlan, EveryCutLeavesOneSetInPlaceAndNothingElse) {
  for (unsigned bits = 0; bits < 64; ++bits) {
    const LeftBehind cut = Drive(bits & 1, bits & 2, bits & 4, bits & 8, bits & 16, bits & 32);
    SCOPED_TRACE(testing::Message() << "state " << bits);
    const Walk walk = Recover(cut);
    EXPECT_FALSE(walk.lostTheOnlySet);
    EXPECT_EQ(walk.end.toolSet, cut.toolSet || cut.aside || cut.readySet);
    EXPECT_FALSE(walk.end.Any());
  }
}

TEST(RecoveryPlan, TheOldSetComesBackBeforeAReadyOneMayTakeItsPlace) {
  // Cut between the two renames of the swap: the old set goes back.
  EXPECT_EQ(Recover(Drive(false, true, true, true, false, false)).steps,
            (std::vector<Step>{Step::PutOldBack, Step::GiveUpReady}));
  // The old set deleted first and the last rename refused: the ready set
  // is the only one, and goes into place rather than away.
  EXPECT_EQ(Recover(Drive(false, false, true, true, false, false)).steps,
            (std::vector<Step>{Step::PutReadyInPlace, Step::GiveUpReady}));
  // The old set cannot be moved back: the ready set fills the place, and
  // only then is the old one given up, as after any finished swap.
  const Walk stuck = Recover(Drive(false, true, true, true, false, false), Step::PutOldBack);
  EXPECT_EQ(stuck.steps,
            (std::vector<Step>{Step::PutOldBack, Step::PutReadyInPlace, Step::GiveUpAside, Step::GiveUpReady}));
  EXPECT_TRUE(stuck.end.toolSet);
  EXPECT_FALSE(stuck.lostTheOnlySet);
}

TEST(RecoveryPlan, DebrisThatCannotBeDeletedBlocksNothingElse) {
  const Walk walk = Recover(Drive(true, true, false, false, true, true), Step::RemoveGivenUp);
  EXPECT_EQ(walk.steps, (std::vector<Step>{Step::RemoveGivenUp, Step::GiveUpAside, Step::GiveUpStaging}));
  EXPECT_TRUE(walk.end.toolSet);
  EXPECT_TRUE(walk.end.givenUp);
}

}  // namespace
