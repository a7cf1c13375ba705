#include "payload_scan.h"

#include <algorithm>
#include <system_error>

#include "file_time.h"
#include "manifest.h"

namespace mksetup {

namespace fs = std::filesystem;

bool NameLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  if (i == a.size() || i == b.size()) return a.size() < b.size();
  // "/" ends a component: it sorts below every character a name may hold.
  if (a[i] == '/') return true;
  if (b[i] == '/') return false;
  return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
}

namespace {

// True when `inner` is `outer` or lies below it; both canonical.
bool Within(const fs::path& inner, const fs::path& outer) {
  const auto [end, unused] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return end == outer.end();
}

// A link is packed as what it leads to, so it must lead into the payload, and a folder
// link must not lead back into a folder the walk is already in.
bool CheckLink(const fs::path& path, const fs::path& root, const std::vector<fs::path>& open,
               std::string& error) {
  std::error_code code;
  const fs::path target = fs::canonical(path, code);
  if (code) {
    error = PathText(path) + ": a link whose target cannot be found: " + code.message();
    return false;
  }
  if (!Within(target, root)) {
    error = PathText(path) + ": a link that leads outside the payload, to " + PathText(target);
    return false;
  }
  for (const fs::path& folder : open)
    if (Within(folder, target)) {
      error = PathText(path) + ": a link to a folder that holds it, which never ends";
      return false;
    }
  return true;
}

}  // namespace

bool ScanPayload(const fs::path& root, Payload& payload, std::string& error) {
  payload = Payload{};
  std::error_code code;
  if (!fs::is_directory(root, code)) {
    error = PathText(root) + ": the payload folder does not exist or is not a folder";
    return false;
  }
  const fs::path real = fs::canonical(root, code);
  // The real folders the walk is in, one per depth, to find links that loop.
  std::vector<fs::path> open = {real};
  fs::recursive_directory_iterator it(root, fs::directory_options::follow_directory_symlink, code);
  for (; !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
    const fs::path& path = it->path();
    const std::u8string relative = path.lexically_relative(root).generic_u8string();
    const std::string name(relative.begin(), relative.end());
    open.resize(static_cast<std::size_t>(it.depth()) + 1);
    const fs::file_status linkStatus = it->symlink_status(code);
    if (code) break;
    if (fs::is_symlink(linkStatus) && !CheckLink(path, real, open, error)) return false;
    const fs::file_status status = it->status(code);
    if (code) break;
    if (fs::is_directory(status)) {
      open.push_back(fs::canonical(path, code));
      if (code) break;
      payload.directories.push_back(name);
      continue;
    }
    if (!fs::is_regular_file(status)) {
      error = PathText(path) + ": neither a file nor a folder";
      return false;
    }
    PayloadFile file{name, path, 0, 0};
    file.size = fs::file_size(path, code);
    if (code) break;
    const fs::file_time_type time = fs::last_write_time(path, code);
    if (code) break;
    if (!ToFileTime(time, file.fileTime)) {
      error = PathText(path) + ": its modification time lies before 1601";
      return false;
    }
    payload.files.push_back(std::move(file));
  }
  if (code) {
    error = PathText(it == fs::recursive_directory_iterator() ? root : it->path()) + ": " +
            code.message();
    return false;
  }
  std::sort(payload.directories.begin(), payload.directories.end(), NameLess);
  std::sort(payload.files.begin(), payload.files.end(),
            [](const PayloadFile& a, const PayloadFile& b) { return NameLess(a.name, b.name); });
  return true;
}

}  // namespace mksetup
