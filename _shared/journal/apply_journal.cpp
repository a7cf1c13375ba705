#include "apply_journal.h"

#include <cstring>
#include <string_view>

#include "name_rule.h"

namespace journal {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t GetU32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

void PutChecksum(std::vector<std::uint8_t>& out, std::size_t from) {
  PutU32(out, Crc32(out.data() + from, out.size() - from));
}

// Follows the order the apply writes: plan, begin, (backup i, place i) for each file in
// turn, commit, done. Anything else was not written by this code.
class Sequence {
 public:
  explicit Sequence(Journal& journal) : journal_(journal) {}

  bool Accept(const Record& record) {
    const bool named = record.kind == Kind::kFile || record.kind == Kind::kObsolete ||
                       record.kind == Kind::kFolder;
    if (named != !record.name.empty()) return false;
    if (named && !SafeName(record.name)) return false;
    if (!journal_.begun) return AcceptPlan(record);
    if (journal_.done) return false;
    if (journal_.committed) {
      journal_.done = record.kind == Kind::kDone && record.step == 0;
      return journal_.done;
    }
    return AcceptMove(record);
  }

 private:
  bool AcceptPlan(const Record& record) {
    switch (record.kind) {
      case Kind::kFile:
        // Files, obsolete names, folders: in the order PlanRecords writes them.
        if (record.step != journal_.files.size() || record.step >= kMaxSteps ||
            !journal_.obsolete.empty() || !journal_.folders.empty())
          return false;
        journal_.files.push_back(record.name);
        return true;
      case Kind::kObsolete:
        if (record.step != 0 || journal_.obsolete.size() >= kMaxSteps || !journal_.folders.empty())
          return false;
        journal_.obsolete.push_back(record.name);
        return true;
      case Kind::kFolder:
        if (record.step != 0 || journal_.folders.size() >= kMaxSteps) return false;
        journal_.folders.push_back(record.name);
        return true;
      case Kind::kBegin:
        if (record.step != journal_.files.size()) return false;
        journal_.begun = true;
        journal_.progress.assign(journal_.files.size(), Progress::kNone);
        return true;
      default:
        return false;
    }
  }

  bool AcceptMove(const Record& record) {
    const std::size_t count = journal_.progress.size();
    switch (record.kind) {
      case Kind::kBackup:
        if (record.step != next_ || next_ >= count || journal_.progress[next_] != Progress::kNone)
          return false;
        journal_.progress[next_] = Progress::kBackupStarted;
        return true;
      case Kind::kPlace:
        if (record.step != next_ || next_ >= count ||
            journal_.progress[next_] != Progress::kBackupStarted)
          return false;
        journal_.progress[next_++] = Progress::kPlaceStarted;
        return true;
      case Kind::kCommit:
        if (record.step != 0 || next_ != count) return false;
        journal_.committed = true;
        return true;
      default:
        return false;
    }
  }

  Journal& journal_;
  std::size_t next_ = 0;
};

}  // namespace

bool SafeName(std::string_view name) {
  return name.size() <= kMaxNameLength && installation::RelativeNameProblem(name, "\\/") == nullptr;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::vector<std::uint8_t> HeaderBytes(const Header& header) {
  std::vector<std::uint8_t> out(kMagic, kMagic + kMagicSize);
  PutU32(out, kFormatVersion);
  for (std::uint32_t value : {header.from.ms, header.from.ls, header.to.ms, header.to.ls})
    PutU32(out, value);
  PutChecksum(out, 0);
  return out;
}

std::vector<std::uint8_t> RecordBytes(const Record& record) {
  if (record.name.size() > kMaxNameLength) return {};
  std::vector<std::uint8_t> out;
  out.reserve(kRecordFixedSize + record.name.size());
  out.push_back(static_cast<std::uint8_t>(record.kind));
  out.push_back(0);
  PutU16(out, static_cast<std::uint16_t>(record.name.size()));
  PutU32(out, record.step);
  out.insert(out.end(), record.name.begin(), record.name.end());
  PutChecksum(out, 0);
  return out;
}

ReadProblem ReadJournal(const std::uint8_t* data, std::size_t size, Journal& journal) {
  journal = Journal{};
  if (size < kMagicSize) return ReadProblem::kEmpty;
  if (std::memcmp(data, kMagic, kMagicSize) != 0) return ReadProblem::kNotJournal;
  // The header is one append: cut short, or bad with nothing after it, it never held.
  if (size < kHeaderSize) return ReadProblem::kEmpty;
  if (GetU32(data + kHeaderSize - 4) != Crc32(data, kHeaderSize - 4))
    return size == kHeaderSize ? ReadProblem::kEmpty : ReadProblem::kDamaged;
  if (GetU32(data + kMagicSize) != kFormatVersion) return ReadProblem::kNotJournal;
  journal.header = {{GetU32(data + 12), GetU32(data + 16)}, {GetU32(data + 20), GetU32(data + 24)}};

  Sequence sequence(journal);
  std::size_t at = kHeaderSize;
  while (at < size) {
    const std::size_t left = size - at;
    const std::uint8_t* record = data + at;
    if (left < kRecordFixedSize) {
      journal.tornTail = true;
      break;
    }
    const std::size_t nameLength = std::size_t{record[2]} | std::size_t{record[3]} << 8;
    const std::size_t recordSize = kRecordFixedSize + nameLength;
    if (recordSize > left) {
      journal.tornTail = true;
      break;
    }
    const std::size_t checked = recordSize - 4;
    if (GetU32(record + checked) != Crc32(record, checked)) {
      if (recordSize != left) return ReadProblem::kDamaged;
      journal.tornTail = true;
      break;
    }
    Record parsed;
    parsed.kind = static_cast<Kind>(record[0]);
    parsed.step = GetU32(record + 4);
    parsed.name.assign(reinterpret_cast<const char*>(record + 8), nameLength);
    if (record[1] != 0 || nameLength > kMaxNameLength || !sequence.Accept(parsed))
      return ReadProblem::kOutOfOrder;
    at += recordSize;
  }
  return ReadProblem::kNone;
}

std::vector<Record> PlanRecords(const Plan& plan) {
  const std::vector<std::string>& files = plan.files;
  std::vector<Record> records;
  for (std::size_t i = 0; i < files.size(); ++i)
    records.push_back({Kind::kFile, static_cast<std::uint32_t>(i), files[i]});
  for (const std::string& name : plan.obsolete) records.push_back({Kind::kObsolete, 0, name});
  for (const std::string& name : plan.newFolders) records.push_back({Kind::kFolder, 0, name});
  records.push_back({Kind::kBegin, static_cast<std::uint32_t>(files.size()), {}});
  return records;
}

}  // namespace journal
