// HTTP for the updater, through WinINet: the user's proxy settings, no cache, and
// timeouts on every call so that a server that accepts and then stalls never hangs it.
// Content files are resumed with a Range request and hashed with CNG as they arrive.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "feed_format.h"

namespace updater {

enum class GetStatus {
  kOk,
  kNotFound,      // the server answered, but not with the file (404 and the like)
  kNoConnection,  // no answer: refused, unresolved, timed out, cut off
  kTooSlow,       // below the minimum rate (TransferRateRule) for a whole window
  kHashMismatch,  // the whole file arrived, but its SHA-256 is not the expected one
  kCancelled,
  kTooLarge,     // longer than the caller allows
  kWriteFailed,  // the local file could not be written (full disk)
};

struct FileGetResult {
  GetStatus status = GetStatus::kNoConnection;
  bool alreadyThere = false;      // the whole file was on disk and verified; nothing fetched
  std::uint64_t resumedFrom = 0;  // bytes kept from an earlier, cut-off download
  std::uint64_t received = 0;     // body bytes received over the network by this call
  unsigned long error = 0;        // WinINet's or the file system's error number
};

// Called as bytes arrive: the file's bytes on disk so far.
using ProgressFunction = std::function<void(std::uint64_t bytesOnDisk)>;
// A line for the log: each redirect, followed or refused.
using NoticeFunction = std::function<void(const std::string& line)>;

class CHttpClient {
 public:
  static constexpr unsigned long kDefaultTimeoutMs = 30000;
  CHttpClient() = default;
  CHttpClient(const CHttpClient&) = delete;
  CHttpClient& operator=(const CHttpClient&) = delete;
  ~CHttpClient();

  // The read timeout is at most the minimum rate's window: a read that waits a whole
  // window has received nothing in it.
  bool Open(const char* agent, unsigned long timeoutMs = kDefaultTimeoutMs);
  void SetNotice(NoticeFunction notice) { notice_ = std::move(notice); }

  // A small document (the index, the server list) into memory, at most `limit` bytes.
  GetStatus GetDocument(const std::string& url, std::size_t limit, std::vector<std::uint8_t>& body,
                        const std::atomic<bool>* cancel = nullptr);

  // A content file into `path`: a partial file there is resumed with a Range request
  // (and copes with a server that ignores it or answers from another offset); a whole
  // one is only verified. On kHashMismatch the file is deleted, so the next try starts
  // from nothing.
  FileGetResult GetFile(const std::string& url, const std::string& path,
                        const feed::ContentRef& content, const ProgressFunction& progress = {},
                        const std::atomic<bool>* cancel = nullptr);

 private:
  void* internet_ = nullptr;  // HINTERNET
  unsigned long timeoutMs_ = kDefaultTimeoutMs;
  NoticeFunction notice_;
};

}  // namespace updater
