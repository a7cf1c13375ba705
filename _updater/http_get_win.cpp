#include "http_get_win.h"

#include <windows.h>

#include <wininet.h>

#include <string>

#include "content_range.h"
#include "s_handle_win.h"
#include "sha256_stream_win.h"
#include "transfer_rules.h"

namespace updater {
namespace {

// No cache read or written (a cached index would be stale, and content files do not
// belong in the browser's cache), no cookies, never a dialog. Redirects are followed
// here, not by WinINet, which would follow them to any scheme and without our count.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION |
                                INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kReadSize = 64 * 1024;
constexpr DWORD kStatusOk = 200;

class InternetHandle {
 public:
  InternetHandle() = default;
  ~InternetHandle() { Reset(nullptr); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return handle_; }
  void Reset(HINTERNET handle) {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HINTERNET handle_ = nullptr;
};

using FileHandle = handles::Handle;

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

void SetTimeouts(HINTERNET handle, DWORD timeoutMs) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    InternetSetOptionA(handle, option, &timeoutMs, sizeof timeoutMs);
}

// One GET: its connection and its request, closed together.
class Request {
 public:
  // The request sent and the answer's head read; false when no server answered.
  bool Send(HINTERNET internet, DWORD timeoutMs, const std::string& url, std::uint64_t from,
            unsigned long& error);
  HINTERNET get() const { return request_.get(); }

 private:
  InternetHandle connection_;
  InternetHandle request_;
};

bool Request::Send(HINTERNET internet, DWORD timeoutMs, const std::string& url, std::uint64_t from,
                   unsigned long& error) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH];
  char path[INTERNET_MAX_URL_LENGTH];
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;  // characters of `host`
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;  // characters of `path`, the query included
  // A redirect sends again: the last hop's handles closed first, the request before its
  // connection, since closing a connection frees its requests and Wine reuses the values.
  request_.Reset(nullptr);
  connection_.Reset(nullptr);
  if (url.size() >= INTERNET_MAX_URL_LENGTH ||
      !InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    error = ERROR_INTERNET_INVALID_URL;
    return false;
  }
  connection_.Reset(
      InternetConnectA(internet, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (connection_.get() == nullptr) {
    error = GetLastError();
    return false;
  }
  // Every handle gets the timeouts: Windows passes the session's down, Wine does not.
  SetTimeouts(connection_.get(), timeoutMs);
  const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
  request_.Reset(HttpOpenRequestA(connection_.get(), "GET", path[0] != '\0' ? path : "/", nullptr,
                                  nullptr, nullptr, kRequestFlags | secure, 0));
  if (request_.get() == nullptr) {
    error = GetLastError();
    return false;
  }
  SetTimeouts(request_.get(), timeoutMs);
  const std::string range = from > 0 ? "Range: bytes=" + std::to_string(from) + "-\r\n" : "";
  if (!HttpSendRequestA(request_.get(), from > 0 ? range.c_str() : nullptr,
                        from > 0 ? static_cast<DWORD>(-1) : 0, nullptr, 0)) {
    error = GetLastError();
    return false;
  }
  return true;
}

int StatusCode(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr))
    return 0;
  return static_cast<int>(status);
}

// The answer's Location made absolute against the URL it answered; empty when none.
std::string Location(HINTERNET request, const std::string& url) {
  char text[INTERNET_MAX_URL_LENGTH];
  DWORD size = sizeof text;  // bytes of `text`; on return the header's length
  if (!HttpQueryInfoA(request, HTTP_QUERY_LOCATION, text, &size, nullptr) || size >= sizeof text)
    return {};
  char combined[INTERNET_MAX_URL_LENGTH];
  DWORD length = sizeof combined;  // characters of `combined`
  if (!InternetCombineUrlA(url.c_str(), text, combined, &length, ICU_NO_ENCODE)) return {};
  return std::string(combined, length);
}

// A request sent and its redirects followed while the rules allow. False when no server
// answered; `status` 0 when a redirect was refused, which counts as no file there.
bool SendFollowing(Request& request, HINTERNET internet, DWORD timeoutMs, std::string url,
                   std::uint64_t from, unsigned long& error, int& status,
                   const NoticeFunction& notice) {
  for (int followed = 0;; ++followed) {
    if (!request.Send(internet, timeoutMs, url, from, error)) return false;
    status = StatusCode(request.get());
    const std::string location = Location(request.get(), url);
    const RedirectStep step = DecideRedirect(status, location, followed);
    if (step == RedirectStep::kNone) return true;
    if (notice)
      notice("redirect " + std::to_string(status) + " from " + url + " to " +
             (location.empty() ? "nowhere" : location) + ": " + RedirectText(step));
    if (step != RedirectStep::kFollow) {
      error = static_cast<unsigned long>(status);
      status = 0;
      return true;
    }
    url = location;
  }
}

ULONGLONG Now() {
  return GetTickCount64();
}

// What has arrived of the answer, at most `size` bytes, waiting no longer than the read
// timeout; `got` 0 at its end. kTooSlow once the rate rule fails.
GetStatus ReadSome(HINTERNET request, std::uint8_t* buffer, DWORD size, DWORD& got,
                   RateWatch& watch, unsigned long& error) {
  got = 0;
  DWORD available = 0;
  // Asking for what is there first: a read of a whole buffer would wait until it is
  // full, however slowly the bytes come.
  const bool read = InternetQueryDataAvailable(request, &available, 0, 0) &&
                    InternetReadFile(request, buffer,
                                     available == 0 || available > size ? size : available, &got);
  if (!read) error = GetLastError();
  watch.Add(Now(), got);
  if (watch.TooSlow(Now()) && (!read || got > 0)) return GetStatus::kTooSlow;
  return read ? GetStatus::kOk : GetStatus::kNoConnection;
}

bool ReadContentRange(HINTERNET request, ContentRange& range) {
  char text[128];
  DWORD size = sizeof text;  // bytes of `text`; on return the header's length
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_RANGE, text, &size, nullptr)) return false;
  return size < sizeof text && ParseContentRange(text, size, range);
}

std::uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Hashes the first `size` bytes of an open file into `hash`.
bool HashPrefix(HANDLE file, std::uint64_t size, feed::Sha256Stream& hash) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  std::vector<std::uint8_t> buffer(kReadSize);
  for (std::uint64_t done = 0; done < size;) {
    const DWORD want = static_cast<DWORD>(size - done < kReadSize ? size - done : kReadSize);
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), want, &got, nullptr) || got != want) return false;
    if (!hash.Add(buffer.data(), got)) return false;
    done += got;
  }
  return true;
}

bool WholeFileMatches(const std::string& path, const feed::ContentRef& content) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  feed::Sha256Stream hash;
  feed::Hash digest;
  return bool(file) && HashPrefix(file.get(), content.size, hash) && hash.Finish(digest) &&
         digest == content.hash;
}

// One answer's body written after the kept bytes, hashed with them.
struct BodyWrite {
  HINTERNET request;
  RateWatch& watch;
  const std::string& path;
  const feed::ContentRef& content;
  const ProgressFunction& progress;
  const std::atomic<bool>* cancel;
};

FileGetResult WriteBody(const BodyWrite& w, std::uint64_t keep) {
  FileGetResult result;
  result.resumedFrom = keep;
  FileHandle file(CreateFileA(w.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  feed::Sha256Stream hash;
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(keep);
  if (!bool(file) || !HashPrefix(file.get(), keep, hash) ||
      !SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
    result.status = GetStatus::kWriteFailed;
    result.error = GetLastError();
    return result;
  }
  std::uint64_t onDisk = keep;
  std::vector<std::uint8_t> buffer(kReadSize);
  for (;;) {
    if (Cancelled(w.cancel)) {
      result.status = GetStatus::kCancelled;
      return result;
    }
    DWORD got = 0;
    const GetStatus read =
        ReadSome(w.request, buffer.data(), kReadSize, got, w.watch, result.error);
    if (read != GetStatus::kOk) {
      result.status = read;  // the partial file stays for a resume
      return result;
    }
    if (got == 0) break;
    result.received += got;
    // More than the index names cannot be the file; stop before writing it.
    if (got > w.content.size - onDisk) {
      onDisk = w.content.size + 1;
      break;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), buffer.data(), got, &written, nullptr) || written != got) {
      result.status = GetStatus::kWriteFailed;
      result.error = GetLastError();
      return result;
    }
    hash.Add(buffer.data(), got);
    onDisk += got;
    if (w.progress) w.progress(onDisk);
  }
  if (onDisk < w.content.size) {
    result.status = GetStatus::kNoConnection;  // cut off: resumed next time
    return result;
  }
  feed::Hash digest;
  if (onDisk == w.content.size && hash.Finish(digest) && digest == w.content.hash) {
    result.status = GetStatus::kOk;
    return result;
  }
  file.reset();
  DeleteFileA(w.path.c_str());
  result.status = GetStatus::kHashMismatch;
  return result;
}

}  // namespace

CHttpClient::~CHttpClient() {
  if (internet_ != nullptr) InternetCloseHandle(static_cast<HINTERNET>(internet_));
}

bool CHttpClient::Open(const char* agent, unsigned long timeoutMs) {
  // The user's proxy settings, as the browser has them.
  HINTERNET internet = InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internet == nullptr) return false;
  internet_ = internet;
  const RateRule rule = TransferRateRule();
  timeoutMs_ = rule.windowMs > 0 && rule.windowMs < timeoutMs
                   ? static_cast<unsigned long>(rule.windowMs)
                   : timeoutMs;
  // Every request made through the session inherits these: a server that accepts and
  // then says nothing ends the call after the timeout instead of hanging it.
  SetTimeouts(internet, timeoutMs_);
  DWORD retries = 1;
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
  return true;
}

GetStatus CHttpClient::GetDocument(const std::string& url, std::size_t limit,
                                   std::vector<std::uint8_t>& body,
                                   const std::atomic<bool>* cancel) {
  body.clear();
  if (internet_ == nullptr) return GetStatus::kNoConnection;
  unsigned long error = 0;
  int status = 0;
  Request request;
  RateWatch watch(TransferRateRule(), Now());
  if (!SendFollowing(request, static_cast<HINTERNET>(internet_), timeoutMs_, url, 0, error, status,
                     notice_))
    return GetStatus::kNoConnection;
  if (status != kStatusOk) return GetStatus::kNotFound;
  std::uint8_t buffer[16 * 1024];
  for (;;) {
    if (Cancelled(cancel)) return GetStatus::kCancelled;
    DWORD got = 0;
    const GetStatus read = ReadSome(request.get(), buffer, sizeof buffer, got, watch, error);
    if (read != GetStatus::kOk) {
      body.clear();
      return read;
    }
    if (got == 0) return GetStatus::kOk;
    if (got > limit - body.size()) {
      body.clear();
      return GetStatus::kTooLarge;
    }
    body.insert(body.end(), buffer, buffer + got);
  }
}

FileGetResult CHttpClient::GetFile(const std::string& url, const std::string& path,
                                   const feed::ContentRef& content,
                                   const ProgressFunction& progress,
                                   const std::atomic<bool>* cancel) {
  FileGetResult result;
  RangeRequest plan = PlanRangeRequest(FileSize(path), content.size);
  if (plan.verifyOnly) {
    if (WholeFileMatches(path, content)) {
      result.status = GetStatus::kOk;
      result.alreadyThere = true;
      result.resumedFrom = content.size;
      if (progress) progress(content.size);
      return result;
    }
    plan.discardPartial = true;  // whole but wrong: not this call's bytes, fetch anew
  }
  if (plan.discardPartial) {
    DeleteFileA(path.c_str());
    plan = RangeRequest{};
  }
  if (internet_ == nullptr) return result;
  // A second round only after a restart, which asks from 0.
  for (std::uint64_t from = plan.from;; from = 0) {
    if (Cancelled(cancel)) {
      result.status = GetStatus::kCancelled;
      break;
    }
    Request request;
    RateWatch watch(TransferRateRule(), Now());
    int status = 0;
    if (!SendFollowing(request, static_cast<HINTERNET>(internet_), timeoutMs_, url, from,
                       result.error, status, notice_)) {
      result.status = GetStatus::kNoConnection;
      break;
    }
    ContentRange range;
    const bool hasRange = ReadContentRange(request.get(), range);
    const ResumeDecision decision = DecideResume(from, content.size, status, hasRange, range);
    if (decision.action == ResumeAction::kWrite) {
      result = WriteBody({request.get(), watch, path, content, progress, cancel}, decision.keep);
      break;
    }
    if (decision.action == ResumeAction::kVerifyOnly && WholeFileMatches(path, content)) {
      result.status = GetStatus::kOk;
      result.alreadyThere = true;
      result.resumedFrom = content.size;
      break;
    }
    if (decision.action == ResumeAction::kFail || from == 0) {
      result.status = GetStatus::kNotFound;
      if (status != 0) result.error = static_cast<unsigned long>(status);
      break;
    }
    DeleteFileA(path.c_str());
  }
  return result;
}

}  // namespace updater
