// The archiver's listing and its console output, as 7-Zip 26.03 for
// Windows writes them into a pipe (captured under Wine).
#include <gtest/gtest.h>

#include <string>

#include "app/upgrade/archive_listing.h"
#include "app/upgrade/archiver_output.h"

using namespace app;

namespace {

// 7z l -slt -ba of a small tool set: ZEDOVAV, ZEDOVAV\sub, two files.
const std::string kListing =
    "Path = ZEDOVAV\r\nSize = 0\r\nPacked Size = 0\r\nModified = 2026-12-09 05:11:44.1883802\r\n"
    "Attributes = D drwxr-xr-x\r\nCRC = \r\nEncrypted = -\r\nMethod = \r\nBlock = \r\n\r\n"
    "Path = ZEDOVAV\\sub\r\nSize = 0\r\nPacked Size = 0\r\nModified = 2026-12-09 05:11:44.1883802\r\n"
    "Attributes = D drwxr-xr-x\r\nCRC = \r\nEncrypted = -\r\nMethod = \r\nBlock = \r\n\r\n"
    "Path = ZEDOVAV\\a.txt\r\nSize = 6\r\nPacked Size = 16\r\nModified = 2026-12-09 05:11:44.1883802\r\n"
    "Attributes = A -rw-r--r--\r\nCRC = 363A3020\r\nEncrypted = -\r\nMethod = LZMA2:12\r\nBlock = 0\r\n\r\n"
    "Path = ZEDOVAV\\sub\\b.txt\r\nSize = 5000000000\r\nPacked Size = \r\nModified = 2026-12-09 05:11:44.1883802\r\n"
    "Attributes = A -rw-r--r--\r\nCRC = DD3861A8\r\nEncrypted = -\r\nMethod = LZMA2:12\r\nBlock = 0\r\n";

ArchiveListing Read(const std::string& text, size_t piece) {
  ListingReader reader;
  for (size_t i = 0; i < text.size(); i += piece) reader.Feed(text.data() + i, std::min(piece, text.size() - i));
  return reader.Finish();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(ArchiveListing, CountsSizesAndTheOneTopFolderInAnyPieces) {
  for (size_t piece : {size_t(1), size_t(7), kListing.size()}) {
    const ArchiveListing listing = Read(kListing, piece);
    EXPECT_EQ(listing.files, 2u);
    EXPECT_EQ(listing.folders, 2u);
    EXPECT_EQ(listing.totalBytes, 5000000006u);
    EXPECT_EQ(listing.largestFile, 5000000000u);
    EXPECT_EQ(listing.largestFileName, "ZEDOVAV\\sub\\b.txt");
    EXPECT_FALSE(listing.encrypted);
    EXPECT_TRUE(listing.IsToolSet());
    EXPECT_EQ(listing.sizes, (std::vector<uint64_t>{0, 0, 6, 5000000000}));
    // The files alone, with the CRC that their read-back is held against.
    ASSERT_EQ(listing.fileList.size(), 2u);
    EXPECT_EQ(listing.fileList[0].path, "ZEDOVAV\\a.txt");
    EXPECT_EQ(listing.fileList[0].crc, 0x363A3020u);
    EXPECT_TRUE(listing.fileList[0].hasCrc);
    EXPECT_EQ(listing.fileList[1].size, 5000000000u);
    EXPECT_EQ(listing.fileList[1].crc, 0xDD3861A8u);
    EXPECT_EQ(listing.fileList[1].attributes, kAttributeArchive);
    EXPECT_EQ(listing.folderList, (std::vector<std::string>{"ZEDOVAV", "ZEDOVAV\\sub"}));
  }
  // An empty file lists no CRC; one that cannot be read is not taken as 0.
  for (const char* crc : {"", "12345G78", "1234567"})
    EXPECT_FALSE(Read(Replace(kListing, "CRC = 363A3020", std::string("CRC = ") + crc), 5).fileList[0].hasCrc) << crc;
  // Each file rounded up to whole clusters, a cluster per folder, and the
  // directory records.
  EXPECT_EQ(Read(kListing, 64).BytesOnDisk(4096), 4096u + (5000000000u + 4096 - 5000000000u % 4096) + 2 * 4096u + 4096u);
}

TEST(ArchiveListing, StrayEntriesEncryptionAndEmptySetsAreSeen) {
  const std::pair<std::string, const char*> strays[] = {
      {Replace(kListing, "Path = ZEDOVAV\\a.txt", "Path = README.TXT"), "a file beside ZEDOVAV"},
      {Replace(kListing, "Path = ZEDOVAV\\a.txt", "Path = OTHER\\a.txt"), "a second top folder"},
      {Replace(kListing, "Path = ZEDOVAV\\a.txt", "Path = ZEDOVAV\\..\\..\\a.txt"), "a path that climbs out"},
      {Replace(kListing, "Path = ZEDOVAV\\a.txt", "Path = ZEDOVAV\\C:\\a.txt"), "a drive inside"},
      {Replace(Replace(kListing, "Attributes = D drwxr-xr-x", "Attributes = A -rw-r--r--"), "Size = 0", "Size = 1"),
       "ZEDOVAV itself a file"},
  };
  for (const auto& [text, what] : strays) EXPECT_FALSE(Read(text, 5).IsToolSet()) << what;
  // Case does not matter. Names are UTF-8: "중요.txt" (EC A4 91 EC 9A 94)
  // read pairwise as GBK would take a following backslash into a pair.
  const ArchiveListing korean =
      Read(Replace(kListing, "Path = ZEDOVAV\\sub\\b.txt", "Path = zedovav\\\xEC\xA4\x91\\\xEC\x9A\x94.txt"), 3);
  EXPECT_TRUE(korean.IsToolSet());
  EXPECT_EQ(korean.fileList.back().path, "zedovav\\\xEC\xA4\x91\\\xEC\x9A\x94.txt");
  EXPECT_FALSE(Read(Replace(kListing, "Path = ZEDOVAV\\a.txt", "Path = ZEDOVAV\\\xEC\xA4\x91\\..\\..\\a.txt"), 3)
                   .IsToolSet());

  EXPECT_TRUE(Read(Replace(kListing, "Encrypted = -\r\nMethod = LZMA2:12\r\nBlock = 0",
                           "Encrypted = +\r\nMethod = LZMA2:12 7zAES:19\r\nBlock = 0"),
                   9)
                  .encrypted);
  const ArchiveListing folders = Read(kListing.substr(0, kListing.find("Path = ZEDOVAV\\a.txt")), 9);
  EXPECT_EQ(folders.files, 0u);
  EXPECT_FALSE(folders.IsToolSet());
  EXPECT_FALSE(Read("", 1).IsToolSet());
}

TEST(ArchiveListing, ReadsAttributeLetters) {
  // Read-only, hidden, system; letters the upgrade does not use (N, the
  // unix mode) leave no bits; a hidden ZEDOVAV is still a folder.
  const ArchiveListing marked = Read(
      Replace(Replace(kListing, "Attributes = A -rw-r--r--", "Attributes = RHSAN -r--r--r--"), "= D ", "= HD "), 5);
  EXPECT_EQ(marked.fileList[0].attributes, 0x27u);
  EXPECT_EQ(marked.fileList[1].attributes, kAttributeArchive);
  EXPECT_EQ(marked.folderList, (std::vector<std::string>{"ZEDOVAV", "ZEDOVAV\\sub"}));
  EXPECT_TRUE(marked.IsToolSet());
}

TEST(ArchiveListing, PercentFollowsBytesAndEntries) {
  ArchiveListing listing;
  listing.sizes = {0, 8192 * 3, 0, 8192 * 3};  // weights 1, 4, 1, 4 (in units of 8 KiB)
  EXPECT_EQ(listing.PercentAfter(0), 0);
  EXPECT_EQ(listing.PercentAfter(1), 10);
  EXPECT_EQ(listing.PercentAfter(2), 50);
  EXPECT_EQ(listing.PercentAfter(4), 100);
  EXPECT_EQ(listing.PercentAfter(99), 100);
  listing.sizes = {UINT64_MAX, UINT64_MAX};
  EXPECT_EQ(listing.PercentAfter(1), 50);
}

// x -bsp1 into a pipe: the progress line is written over with carriage
// returns; backspaces do the same where a console wants them.
const std::string kUnpack =
    "\r\n7-Zip 26.03 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-09-03\r\n\r\n"
    "Scanning the drive for archives:\r\n  0M Scan\r         \r1 file, 91817 bytes (90 KiB)\r\n\r\n"
    "Extracting archive: big2.7z\r\n--\r\nPath = big2.7z\r\nType = 7z\r\n\r\n"
    "  0%\r    \r 12% 322 - ZEDOVAV\\D11\\F131.txt\r                                \r"
    " 30% 442 - ZEDOVAV\\D11\\F251.txt\r                                \r"
    "Everything is Ok\r\n\r\nFolders: 41\r\nFiles: 10000\r\n";

TEST(ArchiverOutput, ReadsTheProgressWhereItStandsAndKeepsTheOtherLines) {
  for (size_t piece : {size_t(1), size_t(13), kUnpack.size()}) {
    ArchiverOutput output(4);
    for (size_t i = 0; i < kUnpack.size(); i += piece)
      output.Feed(kUnpack.data() + i, std::min(piece, kUnpack.size() - i));
    EXPECT_EQ(output.Percent(), 30);
    EXPECT_EQ(output.EntriesDone(), 442u);
    // The last four lines, none of them a progress line.
    EXPECT_EQ(output.LastLines(),
              (std::deque<std::string>{"Type = 7z", "Everything is Ok", "Folders: 41", "Files: 10000"}));
    EXPECT_TRUE(output.Mentions("Everything is Ok"));
    EXPECT_FALSE(output.Mentions("ERROR"));
  }

  ArchiverOutput console;
  console.Feed("  7% 12 - a", 11);
  EXPECT_EQ(console.EntriesDone(), 12u);
  console.Feed("\b\b\b\b\b\b\b\b\b\b\b 9% 20 - b", 21);  // written over by backspaces
  EXPECT_EQ(console.Percent(), 9);
  EXPECT_EQ(console.EntriesDone(), 20u);
  console.Feed("\b\b\b\b\b\b\b\b\b\b\b 5% 3 - a\r\n", 21);  // never goes back
  EXPECT_EQ(console.Percent(), 9);
  EXPECT_EQ(console.EntriesDone(), 20u);
  console.Feed("ERROR: There is not enough space on the disk : ZEDOVAV\\a\r\n", 59);
  EXPECT_TRUE(console.Mentions("not enough space"));
  EXPECT_TRUE(console.LastLines().size() == 1);
}

// A file named like the archiver's own message is no message of it.
TEST(ArchiverOutput, OnlyTheArchiversOwnMessagesSaySomething) {
  ArchiverOutput listing;
  const std::string named = "Path = ZEDOVAV\\Can not open encrypted archive. Wrong password.txt\r\nSize = 3\r\n";
  listing.Feed(named.data(), named.size());
  EXPECT_TRUE(listing.Mentions("Wrong password"));
  EXPECT_FALSE(listing.Says("Wrong password"));
  const std::string error = "ERROR: E:\\PE\\ZEDOVAV.7z : Can not open encrypted archive. Wrong password?\r\n";
  listing.Feed(error.data(), error.size());
  EXPECT_TRUE(listing.Says("Wrong password"));
}

}  // namespace
