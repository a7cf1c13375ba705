// The writer's output judged by the Windows loader itself: the probe program, with
// the segments added, is started and reports what FindResource and the version API
// see in it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "pe_resources.h"

namespace peres {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void Close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_;
};

std::string OwnDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length < sizeof path ? length : 0);
  return text.substr(0, text.find_last_of('\\') + 1);
}

std::string ScratchDirectory() {
  char temp[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  std::string dir = std::string(temp, length < sizeof temp ? length : 0) + "peres-win-test\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// Starts the program and returns what it printed.
std::string RunAndCapture(const std::string& program) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle readEnd;
  Handle writeEnd;
  if (!CreatePipe(readEnd.out(), writeEnd.out(), &inherit, 0)) return "no pipe";
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    return "cannot start: error " + std::to_string(GetLastError());
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  writeEnd.Close();  // so the read ends when the child exits
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  WaitForSingleObject(process.hProcess, 30000);
  std::string cleaned;
  for (char c : output) {
    if (c != '\r') cleaned += c;
  }
  return cleaned;
}

struct Payload {
  std::string path;
  unsigned long size;
  unsigned long long sum;
};

Payload MakePayload(const std::string& path, unsigned long size, unsigned seed) {
  std::vector<char> bytes(size);
  unsigned long long sum = 0;
  for (unsigned long i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(i * 7 + seed + i / 253);
    sum += static_cast<unsigned char>(bytes[i]);
  }
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
  return {path, size, sum};
}

TEST(PeResourcesOnWindows, TheLoaderFindsAddedSegmentsAndTheStubsOwnResources) {
  const std::string probe = OwnDirectory() + "pe_resource_probe.exe";
  const std::string dir = ScratchDirectory();
  const std::string setup = dir + "probe_with_segments.exe";
  const Payload one = MakePayload(dir + "1.bin", 1, 200);
  const Payload two = MakePayload(dir + "2.bin", 100000, 3);
  const Payload three = MakePayload(dir + "3.bin", 3000001, 9);
  std::string error;
  ASSERT_TRUE(WriteWithResources(probe,
                                 {{"BIN", "ID_SETUPFILE3", three.path},
                                  {"BIN", "ID_SETUPFILE1", one.path},
                                  {"BIN", "ID_SETUPFILE2", two.path}},
                                 setup, error))
      << error;

  const std::string expected = "ID_SETUPFILE1 1 " + std::to_string(one.sum) + "\n" +
                               "ID_SETUPFILE2 100000 " + std::to_string(two.sum) + "\n" +
                               "ID_SETUPFILE3 3000001 " + std::to_string(three.sum) + "\n";
  const std::string output = RunAndCapture(setup);
  EXPECT_EQ(output.substr(0, expected.size()), expected) << output;
  EXPECT_NE(output.find("manifest "), std::string::npos) << output;
  EXPECT_EQ(output.find("manifest 0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("version 65538 196612\n"), std::string::npos) << output;  // 1.2.3.4

  for (const Payload& payload : {one, two, three}) DeleteFileA(payload.path.c_str());
  DeleteFileA(setup.c_str());
}

TEST(PeResourcesOnWindows, TheBareProbeHasNoSegments) {
  const std::string output = RunAndCapture(OwnDirectory() + "pe_resource_probe.exe");
  EXPECT_NE(output.find("ID_SETUPFILE1 missing"), std::string::npos) << output;
  EXPECT_NE(output.find("version 65538 196612\n"), std::string::npos) << output;
}

}  // namespace
}  // namespace peres
