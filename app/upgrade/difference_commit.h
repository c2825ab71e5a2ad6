// Writing only what changed, on the drive: the old set walked for the
// comparison, and the journal of renames that commits the difference
// written, carried out and, after a cut, finished by the next run before
// anything else.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/upgrade/difference_plan.h"
#include "app/upgrade/staged_swap.h"
#include "app/upgrade/upgrade_journal.h"

namespace app {

// Every entry under toolSet (T\ZEDOVAV), hidden and system ones too, in
// the listing's form (ZEDOVAV\sub\file, UTF-8). Links are entries of their
// own, never followed.
std::vector<OldEntry> WalkOldSet(const std::string& toolSet);

// The archiver's list file, in the staging folder it makes: the paths of
// the files to write, UTF-8, one a line.
bool WriteListFile(const std::string& staging, const std::string& path, const ArchiveListing& toWrite);

// Written, flushed and read back whole: only then is the difference
// committed. The aside folder is made first, as the journal expects.
bool WriteJournalFile(const SwapFolders& folders, const Journal& journal);

// A journal that could not be written whole commits nothing: it goes,
// with the aside folder made for it.
void AbandonJournal(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove);

// Each step as the journal's rules say, so that a redo after a cut ends
// the same; done(steps) as it goes. False when a rename failed: the
// journal stays for the next run.
bool CarryOutJournal(const SwapFolders& folders, const Journal& journal, const std::function<void(size_t)>& done);

// After the steps: the journal goes first, then the aside and staging
// folders (a journal redone without its aside copies would move new files
// aside).
void CompleteCommit(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove);

// Before any other recovery: a whole journal is carried out and completed;
// a torn one was never committed and goes; an aside folder without a
// journal is what a completed commit left. False when the drive refused.
bool FinishInterruptedCommit(const SwapFolders& folders, const StepLog& log, const FolderRemover& remove);

}  // namespace app
