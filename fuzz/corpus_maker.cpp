// Makes seed inputs for the fuzz targets:
//   fuzz_corpus_maker pack <out> <segment file 1> [2 [3]]   archive_fuzz input
//   fuzz_corpus_maker image <out> [<segment file>...]        pe_resources_fuzz input:
//     the small test image, with the segment files added as BIN/ID_SETUPFILEn
//   fuzz_corpus_maker journal <folder>                         journal_fuzz inputs: an
//     apply's journal cut after each append, and once in the middle of the commit
//   fuzz_corpus_maker client <out> <ms> <ls>                   a stand-in TDMClient.exe
//     whose product version is ms.ls, which mksetup requires of every release
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "apply_journal.h"
#include "journal_replay.h"
#include "pe_resources.h"
#include "pe_test_image.h"
#include "segment_input.h"

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Pack(const std::string& out, const std::vector<std::string>& files) {
  std::vector<std::vector<std::uint8_t>> parts;
  for (const std::string& file : files) parts.push_back(ReadBytes(file));
  peres::testing::WriteFile(out, fuzzing::PackSegments(parts));
  return 0;
}

int Image(const std::string& out, const std::vector<std::string>& files) {
  if (files.empty()) {
    peres::testing::WriteFile(out, peres::testing::MakeStubImage());
    return 0;
  }
  const std::string stub = out + ".stub";
  peres::testing::WriteFile(stub, peres::testing::MakeStubImage());
  std::vector<peres::AddedResource> add;
  for (std::size_t i = 0; i < files.size(); ++i)
    add.push_back({"BIN", "ID_SETUPFILE" + std::to_string(i + 1), files[i]});
  std::string error;
  const bool ok = peres::WriteWithResources(stub, add, out, error);
  std::remove(stub.c_str());
  if (!ok) std::fprintf(stderr, "fuzz_corpus_maker: %s\n", error.c_str());
  return ok ? 0 : 1;
}

int Journals(const std::string& folder) {
  const std::vector<journal::Operation> apply =
      journal::ApplyOperations({{"TDMClient.exe", "maps\\new.map"}, {"intro.avi"}, {"maps"}});
  std::vector<std::uint8_t> bytes = journal::HeaderBytes({{0, 807}, {0, 808}});
  int written = 0;
  for (const journal::Operation& op : apply) {
    if (op.op != journal::Op::kAppend) continue;
    const std::vector<std::uint8_t> record = journal::RecordBytes(op.record);
    if (op.record.kind == journal::Kind::kCommit) {
      std::vector<std::uint8_t> torn = bytes;
      torn.insert(torn.end(), record.begin(), record.begin() + record.size() / 2);
      peres::testing::WriteFile(folder + "/torn-commit", torn);
    }
    bytes.insert(bytes.end(), record.begin(), record.end());
    peres::testing::WriteFile(folder + "/after-" + std::to_string(++written), bytes);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 3 && args[0] == "pack" && args.size() <= 5)
    return Pack(args[1], {args.begin() + 2, args.end()});
  if (args.size() >= 2 && args[0] == "image" && args.size() <= 5)
    return Image(args[1], {args.begin() + 2, args.end()});
  if (args.size() == 2 && args[0] == "journal") return Journals(args[1]);
  if (args.size() == 4 && args[0] == "client") {
    peres::testing::WriteFile(
        args[1], peres::testing::MakeClientImage(static_cast<std::uint32_t>(std::stoul(args[2])),
                                                 static_cast<std::uint32_t>(std::stoul(args[3]))));
    return 0;
  }
  std::fprintf(stderr,
               "usage: fuzz_corpus_maker pack <out> <segment>...\n"
               "       fuzz_corpus_maker image <out> [<segment>...]\n"
               "       fuzz_corpus_maker journal <folder>\n"
               "       fuzz_corpus_maker client <out> <ms> <ls>\n");
  return 2;
}
