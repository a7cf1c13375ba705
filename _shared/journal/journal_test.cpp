#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <tuple>

#include "apply_journal.h"
#include "journal_replay.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows name only what matters

namespace journal {
namespace {

using Bytes = std::vector<std::uint8_t>;
const Header kHeader{{1, 2}, {1, 3}};

Bytes JournalBytes(const std::vector<Record>& records) {
  Bytes out = HeaderBytes(kHeader);
  for (const Record& record : records) std::ranges::copy(RecordBytes(record), back_inserter(out));
  return out;
}

TEST(Journal, TornLastRecordIsDroppedDamageBeforeItIsNot) {
  const Bytes whole = JournalBytes(PlanRecords({{"a"}}));
  const std::size_t afterFile = kHeaderSize + kRecordFixedSize + 1;
  for (std::size_t size = 0; size < whole.size(); ++size) {
    Journal journal;
    const ReadProblem problem = ReadJournal(whole.data(), size, journal);
    EXPECT_EQ(problem, size < kHeaderSize ? ReadProblem::kEmpty : ReadProblem::kNone) << size;
    EXPECT_EQ(journal.tornTail, size > kHeaderSize && size != afterFile) << size;
  }
  Bytes damaged = whole;
  damaged[afterFile - 1] ^= 1;  // the file record's checksum, with "begin" after it
  Journal journal;
  const ReadProblem problem = ReadJournal(damaged.data(), damaged.size(), journal);
  EXPECT_EQ(problem, ReadProblem::kDamaged);
  EXPECT_EQ(DecideReplay(problem, journal, {}, {}).direction, Direction::kCannotTell);
  // Out of order is journal_fuzz's to find (it must write back what it reads).
  // A name the replay would join to the folder only under the product's name rule.
  for (const char* name :
       {"..\\boot.ini", "C:\\x", "sub\\nul.txt", "CON", "a.\\x", "...", "a\tb", "a \\b"}) {
    const Bytes odd = JournalBytes({{Kind::kFile, 0, name}});
    EXPECT_EQ(ReadJournal(odd.data(), odd.size(), journal), ReadProblem::kOutOfOrder) << name;
  }
}

// Every state of one step, both directions. Disk: which of Staged, Target, Backup exist;
// moves: Place, Take back, Restore, Delete backup; "!" the new file is lost.
TEST(Journal, ReplayStepTable) {
  using P = Progress;
  const std::tuple<bool, P, const char*, const char*> rows[] = {
      // clang-format off
      {false, P::kNone, "ST", ""}, {false, P::kNone, "S", ""}, {false, P::kBackupStarted, "ST", ""},
      {false, P::kBackupStarted, "SB", "R"}, {false, P::kBackupStarted, "S", ""}, {false, P::kBackupStarted, "STB", "R"},
      {false, P::kPlaceStarted, "SB", "R"}, {false, P::kPlaceStarted, "S", ""}, {false, P::kPlaceStarted, "TB", "TR"},
      {false, P::kPlaceStarted, "T", "T"}, {false, P::kPlaceStarted, "STB", "R"}, {false, P::kPlaceStarted, "ST", ""},
      {false, P::kPlaceStarted, "B", "R"}, {false, P::kPlaceStarted, "", ""}, {true, P::kPlaceStarted, "TB", "D"},
      {true, P::kPlaceStarted, "T", ""}, {true, P::kPlaceStarted, "SB", "PD"}, {true, P::kPlaceStarted, "ST", "P"},
      {true, P::kPlaceStarted, "S", "P"}, {true, P::kPlaceStarted, "B", "D!"}, {true, P::kPlaceStarted, "", "!"},
      // clang-format on
  };
  for (const auto& [committed, progress, disk, moves] : rows) {
    const std::string_view has = disk;
    const StepReplay got = ReplayStep(
        committed, progress,
        {has.find('S') != has.npos, has.find('T') != has.npos, has.find('B') != has.npos});
    std::string made;
    for (Op op : got.ops)
      made += "?PTRD"[op == Op::kPlace ? 1 : op == Op::kTakeBack ? 2 : op == Op::kRestore ? 3 : 4];
    EXPECT_EQ(made + (got.lost ? "!" : ""), moves) << committed << disk;
  }
}

// Names and contents, and folders, as the programs' operations change them. A move
// into a folder that is not there fails, as it does on Windows.
struct Disk {
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  Bytes journal;

  void Move(const std::string& from, const std::string& to) {
    const std::size_t slash = to.rfind('\\');
    const bool folderThere =
        slash == to.npos || to.starts_with(kStagingFolder) || folders.count(to.substr(0, slash));
    if (files.count(from) && folderThere) files[to] = files[from], files.erase(from);
  }
  void Run(const Operation& op, bool torn = false) {
    const std::string& name = op.name;
    Bytes record = RecordBytes(op.record);
    const auto inFolder = [&name](const auto& f) { return f.first.starts_with(name + "\\"); };
    switch (op.op) {
      // clang-format off
      case Op::kWriteHeader: journal = HeaderBytes(kHeader); break;
      case Op::kAppend: record.resize(torn ? record.size() / 2 : record.size());
                        journal.insert(journal.end(), record.begin(), record.end()); break;
      case Op::kMoveAside: Move(name, BackupName(name)); break;
      case Op::kPlace: Move(StagedName(name), name); break;
      case Op::kTakeBack: Move(name, StagedName(name)); break;
      case Op::kRestore: Move(BackupName(name), name); break;
      case Op::kDeleteBackup: files.erase(BackupName(name)); break;
      case Op::kDeleteObsolete: files.erase(name); break;
      case Op::kMakeFolder: folders.insert(name); break;
      case Op::kRemoveFolder: if (std::none_of(files.begin(), files.end(), inFolder)) folders.erase(name); break;
      case Op::kRemoveJournal: journal.clear(); break;
      case Op::kRemoveStaging: std::erase_if(files, [](const auto& f) { return f.first.starts_with(kStagingFolder); }); break;
        // clang-format on
    }
  }
  Replay Decide() const {
    Journal read;
    const ReadProblem problem = ReadJournal(journal.data(), journal.size(), read);
    std::vector<OnDisk> disk;
    for (const std::string& name : read.files)
      disk.push_back({files.count(StagedName(name)) > 0, files.count(name) > 0,
                      files.count(BackupName(name)) > 0});
    std::vector<bool> obsolete;
    for (const std::string& name : read.obsolete) obsolete.push_back(files.count(name) > 0);
    return DecideReplay(problem, read, disk, obsolete);
  }
};

// The apply cut off after every operation and in the middle of every append; its
// replay cut off after each of its own operations and run again: always one release.
TEST(Journal, EveryInterruptionEndsInExactlyOneRelease) {
  const Plan plan{{"game.exe", "maps\\new.map", "data.pak"}, {"gone.txt"}, {"maps"}};
  const Disk oldRelease{
      {{"game.exe", "old"}, {"data.pak", "old"}, {"gone.txt", "old"}, {"x", "x"}}};
  const Disk newRelease{
      {{"game.exe", "new"}, {"maps\\new.map", "new"}, {"data.pak", "new"}, {"x", "x"}}, {"maps"}};
  const std::vector<Operation> apply = ApplyOperations(plan);
  std::size_t commitAt = 0;
  while (apply[commitAt].record.kind != Kind::kCommit) ++commitAt;
  for (std::size_t cut = 0; cut <= apply.size(); ++cut) {
    for (bool torn : {false, true}) {
      if (torn && (cut == apply.size() || apply[cut].op != Op::kAppend)) continue;
      Disk start = oldRelease;
      for (const std::string& name : plan.files) start.files[StagedName(name)] = "new";
      for (std::size_t i = 0; i < cut; ++i) start.Run(apply[i]);
      if (torn) start.Run(apply[cut], true);
      const Replay first = start.Decide();
      ASSERT_NE(first.direction, Direction::kCannotTell) << cut;
      EXPECT_FALSE(first.lost) << cut;
      for (std::size_t replayCut = 0; replayCut <= first.ops.size(); ++replayCut) {
        Disk disk = start;
        for (std::size_t i = 0; i < replayCut; ++i) disk.Run(first.ops[i]);
        for (const Operation& op : disk.Decide().ops) disk.Run(op);
        const Disk& expected = cut > commitAt ? newRelease : oldRelease;
        EXPECT_EQ(std::tie(disk.files, disk.folders), std::tie(expected.files, expected.folders))
            << cut << torn << replayCut;
        EXPECT_TRUE(disk.journal.empty()) << cut;
      }
    }
  }
}

}  // namespace
}  // namespace journal
