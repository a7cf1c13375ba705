#include "feed_forms.h"

#include <zstd.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "feed_crypto.h"
#include "feed_store.h"
#include "manifest.h"
#include "mapped_file.h"
#include "name_rules.h"
#include "zstd_frame.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

struct FreeCCtx {
  void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};

// The smallest window log that reaches from the end of the new content back to the
// start of the reference before it.
int WindowLogFor(std::uint64_t span) {
  int log = 10;  // zstd's smallest
  while (log < feed::kMaxWindowLog && (std::uint64_t{1} << log) < span) ++log;
  return log;
}

feed::ContentRef RefOf(const std::vector<std::uint8_t>& bytes) {
  return {Sha256(bytes.data(), bytes.size()), bytes.size()};
}

}  // namespace

fs::path CompressedFile(const fs::path& feed, const feed::Hash& hash) {
  return feed / kContentFolder / feed::CompressedPath(hash);
}

fs::path PatchFile(const fs::path& feed, const feed::Hash& from, const feed::Hash& to) {
  return feed / kPatchFolder / feed::PatchPath(from, to);
}

std::vector<std::uint8_t> ZstdFrame(const std::uint8_t* data, std::size_t size,
                                    const std::uint8_t* reference, std::size_t referenceSize,
                                    int level) {
  const std::unique_ptr<ZSTD_CCtx, FreeCCtx> context(ZSTD_createCCtx());
  std::vector<std::uint8_t> frame(ZSTD_compressBound(size));
  if (!context) return {};
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, level);
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, 1);
  // Worker threads, on the cores there are, where the library has them (the frame is
  // the same for any number of them): besides the speed, only with them does the
  // long-distance matching reach the whole of a large reference.
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_nbWorkers,
                         static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)));
  if (referenceSize > 0) {
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_enableLongDistanceMatching, 1);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_windowLog, WindowLogFor(referenceSize + size));
    if (ZSTD_isError(ZSTD_CCtx_refPrefix(context.get(), reference, referenceSize))) return {};
  }
  const std::size_t written = ZSTD_compress2(context.get(), frame.data(), frame.size(), data, size);
  if (ZSTD_isError(written)) return {};
  frame.resize(written);
  return frame;
}

bool AddForms(const fs::path& feed, feed::Index& index, int patchFromReleases, ContentBatch& batch,
              FormsTally& tally, std::string& error) {
  const feed::Release& release = index.releases.back();
  const std::size_t newest = index.releases.size() - 1;
  const std::size_t first =
      newest > static_cast<std::size_t>(patchFromReleases) ? newest - patchFromReleases : 0;
  for (const feed::ReleaseFile& file : release.files) {
    const feed::ContentRef& to = file.content;
    auto formsAt = std::find_if(index.forms.begin(), index.forms.end(),
                                [&](const feed::ContentForms& f) { return f.content == to.hash; });
    const bool known = formsAt != index.forms.end();
    feed::ContentForms forms = known ? *formsAt : feed::ContentForms{to.hash, {}, {}};
    MappedFile target;
    if (!target.Open(ContentFile(feed, to.hash), error)) return false;
    const auto bytes = target.bytes();
    bool written = false;
    const auto worthTrying = [&] {
      const std::vector<std::uint8_t> probe =
          ZstdFrame(bytes.data(), bytes.size(), nullptr, 0, kProbeLevel);
      return !probe.empty() && probe.size() * 100 <= to.size * kProbePercent;
    };
    if (!known && worthTrying()) {
      const std::vector<std::uint8_t> frame = ZstdFrame(bytes.data(), bytes.size());
      if (!frame.empty() && frame.size() * 100 <= to.size * kCompressedPercent) {
        forms.compressed = RefOf(frame);
        if (!batch.StoreAt(CompressedFile(feed, to.hash), frame, written, error)) return false;
        ++tally.compressed;
        tally.compressedBytes += frame.size();
      }
    }
    const std::uint64_t whole = forms.compressed.present() ? forms.compressed.size : to.size;
    std::vector<feed::Hash> tried;  // each earlier content once, worth it or not
    for (const feed::Patch& patch : forms.patches) tried.push_back(patch.from);
    for (std::size_t r = first; r < newest && to.size <= feed::kMaxPatchedFileSize; ++r)
      for (const feed::ReleaseFile& old : index.releases[r].files) {
        if (old.content.hash == to.hash || old.content.size > feed::kMaxPatchedFileSize ||
            FoldCase(old.name) != FoldCase(file.name) ||
            std::find(tried.begin(), tried.end(), old.content.hash) != tried.end())
          continue;
        tried.push_back(old.content.hash);
        MappedFile source;
        if (!source.Open(ContentFile(feed, old.content.hash), error)) return false;
        const std::vector<std::uint8_t> patch =
            ZstdFrame(bytes.data(), bytes.size(), source.bytes().data(), source.bytes().size());
        if (patch.empty() || patch.size() * 100 > whole * kPatchPercent) continue;
        forms.patches.push_back({old.content.hash, RefOf(patch)});
        if (!batch.StoreAt(PatchFile(feed, old.content.hash, to.hash), patch, written, error))
          return false;
        ++tally.patches;
        tally.patchBytes += patch.size();
      }
    const bool any = forms.compressed.present() || !forms.patches.empty();
    if (known)
      *formsAt = forms;
    else if (any)
      index.forms.push_back(forms);
  }
  return true;
}

namespace {

// The stored form at `file` against its size and hash, then decoded (against
// `reference` for a patch) and compared with the content it names.
std::string CheckForm(const fs::path& file, const feed::ContentRef& form,
                      const feed::ContentRef& content, const std::uint8_t* reference,
                      std::size_t referenceSize) {
  MappedFile mapped;
  std::string error;
  if (!mapped.Open(file, error)) return error;
  const auto frame = mapped.bytes();
  if (frame.size() != form.size || Sha256(frame.data(), frame.size()) != form.hash)
    return PathText(file) + " does not match its size and SHA-256";
  std::vector<std::uint8_t> decoded(content.size);
  const feed::FrameProblem problem = feed::DecodeFrame(
      frame.data(), frame.size(), reference, referenceSize, decoded.data(), decoded.size());
  if (problem != feed::FrameProblem::kNone)
    return PathText(file) + " " + feed::FrameProblemText(problem);
  if (Sha256(decoded.data(), decoded.size()) != content.hash)
    return PathText(file) + " decodes to other bytes than its content";
  return {};
}

}  // namespace

bool VerifyForms(const fs::path& feed, const feed::Index& index, FormsTally& checked,
                 std::string& problem) {
  for (const feed::ContentForms& forms : index.forms) {
    feed::ContentRef content;
    for (const feed::Release& release : index.releases)
      for (const feed::ReleaseFile& file : release.files)
        if (file.content.hash == forms.content) content = file.content;
    if (!content.present()) {
      problem = "the forms of " + feed::HexText(forms.content.data(), forms.content.size()) +
                ", which no release names";
      return false;
    }
    if (forms.compressed.present()) {
      problem =
          CheckForm(CompressedFile(feed, forms.content), forms.compressed, content, nullptr, 0);
      if (!problem.empty()) return false;
      ++checked.compressed;
      checked.compressedBytes += forms.compressed.size;
    }
    for (const feed::Patch& patch : forms.patches) {
      MappedFile source;
      if (!source.Open(ContentFile(feed, patch.from), problem)) return false;
      problem = CheckForm(PatchFile(feed, patch.from, forms.content), patch.patch, content,
                          source.bytes().data(), source.bytes().size());
      if (!problem.empty()) return false;
      ++checked.patches;
      checked.patchBytes += patch.patch.size;
    }
  }
  return true;
}

FormsTally TallyForms(const feed::Index& index, const feed::Release& release) {
  FormsTally tally;
  for (const feed::ReleaseFile& file : release.files)
    if (const feed::ContentForms* forms = feed::FormsOf(index, file.content.hash)) {
      if (forms->compressed.present()) {
        ++tally.compressed;
        tally.compressedBytes += forms->compressed.size;
      }
      for (const feed::Patch& patch : forms->patches) {
        ++tally.patches;
        tally.patchBytes += patch.patch.size;
      }
    }
  return tally;
}

}  // namespace mksetup
