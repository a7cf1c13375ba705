#include "segment_check.h"

#include "archive_check.h"
#include "archive_checksum.h"

namespace mksetup {

using archive::kSegmentChecksumSize;

namespace {
bool KnownKind(const archive::SetupHeader& header) {
  return header.kind == static_cast<std::uint32_t>(archive::SetupKind::Full) ||
         header.kind == static_cast<std::uint32_t>(archive::SetupKind::Update);
}
}  // namespace

archive::SegmentViews ArchiveSegments::Views() const {
  archive::SegmentViews views{};
  for (int n = 0; n < count; ++n)
    if (segments[n].size() >= kSegmentChecksumSize)
      views[n] = {segments[n].data() + kSegmentChecksumSize,
                  static_cast<std::uint32_t>(segments[n].size() - kSegmentChecksumSize)};
  return views;
}

std::uint64_t ArchiveSegments::StoredChecksum(int segment) const {
  const auto& bytes = segments[segment - 1];
  if (segment > count || bytes.size() < kSegmentChecksumSize) return 0;
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

bool CheckSegments(const ArchiveSegments& a, std::string& problem) {
  if (a.count < 1 || a.count > archive::kMaxSegments) {
    problem = "an archive has 1 to 3 segments";
    return false;
  }
  for (int n = 1; n <= a.count; ++n) {
    const auto& bytes = a.segments[n - 1];
    const std::string name = "segment " + std::to_string(n);
    if (bytes.size() < kSegmentChecksumSize) {
      problem = n == 1 ? "not an installer or setup archive: shorter than a checksum"
                       : name + " is shorter than its 8-byte checksum";
      return false;
    }
    if (bytes.size() > 0xFFFFFFFFull) {
      problem = name + " is larger than a resource can be";
      return false;
    }
    const std::uint64_t sum =
        archive::ByteSum(bytes.data() + kSegmentChecksumSize, bytes.size() - kSegmentChecksumSize);
    archive::SetupHeader header;
    if (n == 1 && sum != a.StoredChecksum(n) &&
        (!archive::ReadHeader(a.Views()[0], header) || !KnownKind(header))) {
      problem = "not an installer or setup archive: neither its checksum nor its header fits";
      return false;
    }
    if (sum != a.StoredChecksum(n)) {
      problem = name + " stores checksum " + std::to_string(a.StoredChecksum(n)) +
                " but its body sums to " + std::to_string(sum);
      return false;
    }
  }
  const archive::SegmentViews views = a.Views();
  archive::SetupHeader header;
  if (!archive::ReadHeader(views[0], header)) {
    problem = "segment 1 does not hold a whole header";
    return false;
  }
  if (!KnownKind(header)) {
    problem = "the kind is " + std::to_string(header.kind) + ", neither 1 (Full) nor 2 (Update)";
    return false;
  }
  if (header.kind == static_cast<std::uint32_t>(archive::SetupKind::Full) &&
      a.count != archive::kMaxSegments) {
    problem = "a Full archive needs all 3 segments, this one has " + std::to_string(a.count);
    return false;
  }
  const archive::WalkResult walk = archive::CheckArchive(views);
  if (!walk.ok) {
    problem = walk.problem;
    return false;
  }
  return true;
}

}  // namespace mksetup
