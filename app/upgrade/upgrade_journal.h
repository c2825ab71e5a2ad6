// The journal that commits a difference plan: every rename, folder and
// attribute the upgrade changes on the drive, written down whole before
// the first of them is carried out (pure).
//
// The journal lies beside ZEDOVAV as ZEDOVAV.upgrade-journal. An upgrade
// cut off after it was written redoes it from its first step, as often as
// it takes: each step is done only when it is not done yet, so a step
// already carried out is passed over. The executor's rules:
//   move (aside or place): only when `from` exists and `to` does not;
//   remove folder:         only when it is a folder (it is empty by then);
//   create folder:         only when nothing is there;
//   attributes:            set whenever the path exists (0 means normal).
// The steps come in this order, which makes a redo safe:
//   1. aside:  old files that are changed or removed, and old files where a
//              new folder goes, are moved to <aside>\1, <aside>\2 ... (flat
//              names: the aside folder needs no folders of its own);
//   2. remove folders no longer wanted, deepest first, the old files in
//      them being aside by now;
//   3. create the new folders, parents first, now that no old file is in
//      their way;
//   4. place:  each staged file <staging>\ZEDOVAV\p -> ZEDOVAV\p;
//   5. attributes.
// Once a changed file is in place, a redo passes over its aside move only
// because its old copy still lies at <aside>\n. So the journal is deleted
// first, and only then the aside and staging folders; and both folders
// must be there before the journal is written.
//
// The text, UTF-8, one step a line, each line ended by "\n" alone, fields
// separated by tabs:
//   ZEDOVAV upgrade journal 1
//   aside<TAB>ZEDOVAV\p<TAB><aside>\n
//   rmdir<TAB>ZEDOVAV\old\dir
//   mkdir<TAB>ZEDOVAV\new\dir
//   place<TAB><staging>\ZEDOVAV\p<TAB>ZEDOVAV\p
//   attrib<TAB>XXXXXXXX<TAB>ZEDOVAV\p          (eight upper-case hex digits)
//   end<TAB>N<TAB>XXXXXXXX
// Steps appear in the order above. In a path, "%", tab, line breaks and
// every other byte below 0x20 are written as "%" and two upper-case hex
// digits. The last line carries N, the number of lines before it, and the
// zlib CRC32 of every byte before it. A journal that is torn or altered
// anywhere, or written in any other way, does not read: it was never
// committed, and nothing was moved.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/upgrade/difference_plan.h"

namespace app {

// Beside ZEDOVAV on the drive.
constexpr char kJournalName[] = "ZEDOVAV.upgrade-journal";

// Paths are relative to the directory that holds ZEDOVAV.
struct JournalMove {
  std::string from, to;
  bool operator==(const JournalMove&) const = default;
};

struct JournalAttributes {
  std::string path;
  uint32_t attributes = 0;  // FILE_ATTRIBUTE bits
  bool operator==(const JournalAttributes&) const = default;
};

// The steps, in the order they are carried out.
struct Journal {
  std::vector<JournalMove> aside;
  std::vector<std::string> removeFolders;
  std::vector<std::string> createFolders;
  std::vector<JournalMove> place;
  std::vector<JournalAttributes> attributes;
  bool operator==(const Journal&) const = default;
  // For a percentage of the commit.
  size_t Steps() const {
    return aside.size() + removeFolders.size() + createFolders.size() + place.size() + attributes.size();
  }
};

// The steps that turn the old set into the listed one: staged files come
// from <stagingRoot>\ZEDOVAV\..., old ones go to <asideRoot>\<n>. A
// written file has its attributes from the unpacking; they are set again
// only when they carry read-only, hidden or system (the read-back lifts
// read-only for its flush), to spare a plain file a second write. An
// unchanged file gets them when they alone differ.
Journal JournalForPlan(const DifferencePlan& plan, std::string_view stagingRoot, std::string_view asideRoot);

std::string WriteJournal(const Journal& journal);
// nullopt for anything WriteJournal would not have written.
std::optional<Journal> ReadJournal(std::string_view text);

}  // namespace app
