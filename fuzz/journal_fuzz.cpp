// Arbitrary bytes as an apply journal, as a kill or a bad disk may leave one. Each input
// lives in a heap block of its exact size, so a read past it is caught. A journal the
// reader accepts must be written back, record for record, to the bytes it was read
// from (the torn tail left off), and its replay must name only the journal's files.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "apply_journal.h"
#include "journal_replay.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::uint8_t> Rewritten(const journal::Journal& read) {
  using journal::Kind;
  std::vector<journal::Record> records;
  for (std::size_t i = 0; i < read.files.size(); ++i)
    records.push_back({Kind::kFile, static_cast<std::uint32_t>(i), read.files[i]});
  for (const std::string& name : read.obsolete) records.push_back({Kind::kObsolete, 0, name});
  for (const std::string& name : read.folders) records.push_back({Kind::kFolder, 0, name});
  if (read.begun)
    records.push_back({Kind::kBegin, static_cast<std::uint32_t>(read.files.size()), {}});
  for (std::size_t i = 0; i < read.progress.size(); ++i) {
    const auto step = static_cast<std::uint32_t>(i);
    if (read.progress[i] != journal::Progress::kNone) records.push_back({Kind::kBackup, step, {}});
    if (read.progress[i] == journal::Progress::kPlaceStarted)
      records.push_back({Kind::kPlace, step, {}});
  }
  if (read.committed) records.push_back({Kind::kCommit, 0, {}});
  if (read.done) records.push_back({Kind::kDone, 0, {}});
  std::vector<std::uint8_t> out = journal::HeaderBytes(read.header);
  for (const journal::Record& record : records) {
    const std::vector<std::uint8_t> bytes = journal::RecordBytes(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> copy(data, data + size);
  journal::Journal read;
  const journal::ReadProblem problem = journal::ReadJournal(copy.data(), copy.size(), read);
  if (problem == journal::ReadProblem::kNone) {
    const std::vector<std::uint8_t> again = Rewritten(read);
    Require(again.size() <= copy.size() && (again.size() == copy.size()) == !read.tornTail);
    Require(std::equal(again.begin(), again.end(), copy.begin()));
  }
  // Which names exist comes from the input's own bytes, so every state is reached.
  std::vector<journal::OnDisk> disk;
  for (std::size_t i = 0; i < read.files.size(); ++i) {
    const std::uint8_t bits = size ? data[i % size] : 0;
    disk.push_back({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0});
  }
  std::vector<bool> obsolete(read.obsolete.size(), size % 2 == 1);
  const journal::Replay replay = journal::DecideReplay(problem, read, disk, obsolete);
  for (const journal::Operation& op : replay.ops) {
    const bool named = op.op != journal::Op::kRemoveStaging && op.op != journal::Op::kRemoveJournal;
    Require(!named ||
            std::find(read.files.begin(), read.files.end(), op.name) != read.files.end() ||
            std::find(read.obsolete.begin(), read.obsolete.end(), op.name) != read.obsolete.end() ||
            std::find(read.folders.begin(), read.folders.end(), op.name) != read.folders.end());
  }
  Require(replay.direction != journal::Direction::kCannotTell || replay.ops.empty());
  return 0;
}
