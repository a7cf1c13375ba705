#include <gtest/gtest.h>

#include <map>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows name only what matters

#include "apply_journal.h"
#include "journal_replay.h"

namespace journal {
namespace {

using Bytes = std::vector<std::uint8_t>;
const Header kHeader{{1, 2}, {1, 3}};

Bytes JournalBytes(const std::vector<Record>& records) {
  Bytes out = HeaderBytes(kHeader);
  for (const Record& record : records) {
    const Bytes bytes = RecordBytes(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

ReadProblem Read(const Bytes& bytes, Journal& journal) {
  return ReadJournal(bytes.data(), bytes.size(), journal);
}

TEST(Journal, ReaderTable) {
  std::vector<Record> plan = PlanRecords({"a.dat", "maps\\b.map"}, {"old.txt"});
  auto with = [&plan](std::vector<Record> more) {
    std::vector<Record> all = plan;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const Record b0{Kind::kBackup, 0, {}}, p0{Kind::kPlace, 0, {}}, b1{Kind::kBackup, 1, {}},
      p1{Kind::kPlace, 1, {}}, commit{Kind::kCommit, 0, {}}, done{Kind::kDone, 0, {}};
  struct Row {
    std::vector<Record> records;
    ReadProblem problem;
    bool committed, done;
    std::vector<Progress> progress;
  };
  using P = Progress;
  const Row rows[] = {
      {{}, ReadProblem::kNone, false, false, {}},
      {plan, ReadProblem::kNone, false, false, {P::kNone, P::kNone}},
      {with({b0, p0, b1}), ReadProblem::kNone, false, false, {P::kPlaceStarted, P::kBackupStarted}},
      {with({b0, p0, b1, p1, commit, done}),
       ReadProblem::kNone,
       true,
       true,
       {P::kPlaceStarted, P::kPlaceStarted}},
      // Orders the apply never writes.
      {with({p0}), ReadProblem::kOutOfOrder},
      {with({b0, p0, commit}), ReadProblem::kOutOfOrder},
      {with({b1}), ReadProblem::kOutOfOrder},
      {with({b0, p0, b1, p1, commit, done, done}), ReadProblem::kOutOfOrder},
      {{{Kind::kBegin, 1, {}}}, ReadProblem::kOutOfOrder},
      {{{Kind::kFile, 0, "..\\boot.ini"}}, ReadProblem::kOutOfOrder},
      {{{Kind::kFile, 0, "C:\\x"}}, ReadProblem::kOutOfOrder},
      {{{Kind::kFile, 0, "a\\\\b"}}, ReadProblem::kOutOfOrder},
      {{{Kind::kFile, 1, "a"}}, ReadProblem::kOutOfOrder},
      {{{Kind::kObsolete, 0, ""}}, ReadProblem::kOutOfOrder},
      {{{static_cast<Kind>(9), 0, {}}}, ReadProblem::kOutOfOrder},
  };
  for (std::size_t r = 0; r < std::size(rows); ++r) {
    Journal journal;
    ASSERT_EQ(Read(JournalBytes(rows[r].records), journal), rows[r].problem) << r;
    if (rows[r].problem != ReadProblem::kNone) continue;
    EXPECT_EQ(journal.header, kHeader);
    EXPECT_EQ(std::tie(journal.committed, journal.done, journal.progress),
              std::tie(rows[r].committed, rows[r].done, rows[r].progress))
        << r;
    EXPECT_FALSE(journal.tornTail);
  }
}

TEST(Journal, TornTailAndDamage) {
  const Bytes whole = JournalBytes(PlanRecords({"a"}, {}));
  // Every cut: before the header holds nothing was started; after it, the cut record
  // is dropped and everything before it holds.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    Journal journal;
    const ReadProblem problem = ReadJournal(whole.data(), size, journal);
    if (size < kHeaderSize) {
      EXPECT_EQ(problem, ReadProblem::kEmpty) << size;
      continue;
    }
    const bool boundary = size == kHeaderSize || size == kHeaderSize + kRecordFixedSize + 1;
    EXPECT_EQ(journal.tornTail, !boundary) << size;
    EXPECT_EQ(problem, ReadProblem::kNone) << size;
    EXPECT_FALSE(journal.begun) << size;
  }
  // A changed byte: the last record is taken as torn, an earlier one is damage.
  for (std::size_t at = 0; at < whole.size(); ++at) {
    Bytes changed = whole;
    changed[at] ^= 0x40;
    Journal journal;
    const ReadProblem problem = Read(changed, journal);
    EXPECT_FALSE(problem == ReadProblem::kNone && journal.begun) << at;
  }
  Bytes notJournal = whole;
  notJournal[0] = 'X';
  Journal journal;
  EXPECT_EQ(Read(notJournal, journal), ReadProblem::kNotJournal);
  EXPECT_TRUE(RecordBytes({Kind::kFile, 0, std::string(kMaxNameLength + 1, 'x')}).empty());
}

// Every step state, both directions: which moves the replay makes.
TEST(Journal, ReplayStepTable) {
  using P = Progress;
  constexpr Op kPlace = Op::kPlace, kTakeBack = Op::kTakeBack, kRestore = Op::kRestore,
               kDelete = Op::kDeleteBackup;
  struct Row {
    bool committed;
    P progress;
    OnDisk disk;  // staged, target, backup
    std::vector<Op> ops;
    bool lost;
  };
  // clang-format off
  const Row rows[] = {
      // Before commit, nothing journaled for the step: nothing moved, whatever is there.
      {false, P::kNone, {true, true, false}, {}, false},
      {false, P::kNone, {true, false, false}, {}, false},
      // Move aside journaled: done (backup there) or not (target still there, or new).
      {false, P::kBackupStarted, {true, true, false}, {}, false},
      {false, P::kBackupStarted, {true, false, true}, {kRestore}, false},
      {false, P::kBackupStarted, {true, false, false}, {}, false},
      {false, P::kBackupStarted, {true, true, true}, {kRestore}, false},
      // Place journaled: not made (staged still there) or made (staged gone).
      {false, P::kPlaceStarted, {true, false, true}, {kRestore}, false},
      {false, P::kPlaceStarted, {true, false, false}, {}, false},
      {false, P::kPlaceStarted, {false, true, true}, {kTakeBack, kRestore}, false},
      {false, P::kPlaceStarted, {false, true, false}, {kTakeBack}, false},
      {false, P::kPlaceStarted, {true, true, true}, {kRestore}, false},
      {false, P::kPlaceStarted, {true, true, false}, {}, false},
      {false, P::kPlaceStarted, {false, false, true}, {kRestore}, false},
      {false, P::kPlaceStarted, {false, false, false}, {}, false},
      // After commit every file is placed: drop the backups, place a lost move.
      {true, P::kPlaceStarted, {false, true, true}, {kDelete}, false},
      {true, P::kPlaceStarted, {false, true, false}, {}, false},
      {true, P::kPlaceStarted, {true, false, true}, {kPlace, kDelete}, false},
      {true, P::kPlaceStarted, {true, true, false}, {kPlace}, false},
      {true, P::kPlaceStarted, {true, false, false}, {kPlace}, false},
      {true, P::kPlaceStarted, {false, false, true}, {kDelete}, true},
      {true, P::kPlaceStarted, {false, false, false}, {}, true},
  };
  // clang-format on
  for (std::size_t r = 0; r < std::size(rows); ++r)
    EXPECT_EQ(ReplayStep(rows[r].committed, rows[r].progress, rows[r].disk),
              (StepReplay{rows[r].ops, rows[r].lost}))
        << r;
}

// A disk of names and contents; the apply cut off after every operation (and in the
// middle of every append), the replay cut off at every point too, then run to the end.
struct Disk {
  std::map<std::string, std::string> files;
  Bytes journal;
  bool hasJournal = false;

  void Move(const std::string& from, const std::string& to) {
    if (!files.count(from)) return;
    files[to] = files[from];
    files.erase(from);
  }
  void Run(const Operation& op, bool torn = false) {
    const std::string& name = op.name;
    switch (op.op) {
      case Op::kWriteHeader:
        journal = HeaderBytes(kHeader), hasJournal = true;
        break;
      case Op::kAppend: {
        Bytes bytes = RecordBytes(op.record);
        if (torn) bytes.resize(bytes.size() / 2);
        journal.insert(journal.end(), bytes.begin(), bytes.end());
        break;
      }
      case Op::kMoveAside:
        if (files.count(name)) Move(name, BackupName(name));
        break;
      case Op::kPlace:
        Move(StagedName(name), name);
        break;
      case Op::kTakeBack:
        Move(name, StagedName(name));
        break;
      case Op::kRestore:
        Move(BackupName(name), name);
        break;
      case Op::kDeleteBackup:
        files.erase(BackupName(name));
        break;
      case Op::kDeleteObsolete:
        files.erase(name);
        break;
      case Op::kRemoveStaging:
        std::erase_if(files, [](const auto& f) { return f.first.starts_with(kStagingFolder); });
        break;
      case Op::kRemoveJournal:
        journal.clear(), hasJournal = false;
        break;
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

TEST(Journal, EveryInterruptionEndsInExactlyOneRelease) {
  const std::vector<std::string> files = {"game.exe", "maps\\new.map", "data.pak"};
  const std::map<std::string, std::string> oldRelease = {
      {"game.exe", "old"}, {"data.pak", "old"}, {"gone.txt", "old"}, {"same.txt", "same"}};
  const std::map<std::string, std::string> newRelease = {
      {"game.exe", "new"}, {"maps\\new.map", "new"}, {"data.pak", "new"}, {"same.txt", "same"}};
  const std::vector<Operation> apply = ApplyOperations(files, {"gone.txt"});
  std::size_t commitAt = 0;
  while (apply[commitAt].record.kind != Kind::kCommit || apply[commitAt].op != Op::kAppend)
    ++commitAt;

  for (std::size_t cut = 0; cut <= apply.size(); ++cut) {
    for (bool torn : {false, true}) {
      if (torn && (cut == apply.size() || apply[cut].op != Op::kAppend)) continue;
      Disk start{oldRelease};
      for (const std::string& name : files) start.files[StagedName(name)] = "new";
      for (std::size_t i = 0; i < cut; ++i) start.Run(apply[i]);
      if (torn) start.Run(apply[cut], true);
      const bool forward = cut > commitAt;
      const Replay first = start.Decide();
      ASSERT_NE(first.direction, Direction::kCannotTell) << cut;
      EXPECT_FALSE(first.lost) << cut;
      // The replay itself cut off after each of its operations, then run again.
      for (std::size_t replayCut = 0; replayCut <= first.ops.size(); ++replayCut) {
        Disk disk = start;
        for (std::size_t i = 0; i < replayCut; ++i) disk.Run(first.ops[i]);
        for (const Operation& op : disk.Decide().ops) disk.Run(op);
        EXPECT_EQ(disk.files, forward ? newRelease : oldRelease)
            << cut << " " << torn << " " << replayCut;
        EXPECT_TRUE(disk.journal.empty()) << cut;
        EXPECT_EQ(disk.Decide().ops.size(), 2u) << cut;  // only the leftovers' removal
      }
    }
  }
}

TEST(Journal, CannotTellTouchesNothing) {
  const Bytes bytes = JournalBytes(PlanRecords({"a"}, {}));
  Bytes damaged = bytes;
  damaged[kHeaderSize + 5] ^= 1;
  damaged.insert(damaged.end(), bytes.begin() + kHeaderSize, bytes.end());
  Journal journal;
  const ReadProblem problem = Read(damaged, journal);
  EXPECT_EQ(problem, ReadProblem::kDamaged);
  const Replay replay = DecideReplay(problem, journal, {}, {});
  EXPECT_EQ(replay.direction, Direction::kCannotTell);
  EXPECT_TRUE(replay.ops.empty());
}

}  // namespace
}  // namespace journal
