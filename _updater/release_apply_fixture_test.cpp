#include "release_apply_fixture_test.h"

#include <windows.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "s_links_win.h"

namespace apply_fixture {
namespace {

constexpr char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
constexpr char kListB[] =
    "D data\r\nD data\\maps\r\nD uninstall\r\nF TDMClient.exe\r\nF a.txt\r\nF data\\b.dat\r\n"
    "F data\\maps\\c.map\r\nF readme.txt\r\nF uninstall\\0.2.0.lst\r\nL Tidemoor.lnk\r\nS 23\r\n"
    "S 24\r\nR0 Liesmich.lnk\r\nR1 Readme.lnk\r\n";
// Name and bytes: B's changed and new files, the list included.
const std::map<std::string, std::string> kFetched = {{"TDMClient.exe", "client B"},
                                                     {"a.txt", "alpha B"},
                                                     {"data/maps/c.map", "charlie"},
                                                     {"uninstall/0.2.0.lst", kListB}};

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

std::string Group(const std::string& group) {
  char programs[links::kFolderSize] = {};
  links::ProgramsFolder(true, programs);
  return std::string(programs) + "\\" + group;
}

std::string Download(const std::string& dir, const std::string& name) {
  return dir + "\\update.download\\" + std::to_string(std::hash<std::string>{}(name));
}

// Names with their bytes; links by name only, as their bytes name their own folder.
void AddTree(const std::string& dir, const std::string& relative, std::set<std::string>& out,
             bool bytes = true) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\" + relative + "*").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
    const std::string name = relative + found.cFileName;
    if (name.ends_with(".") || name == "update.download") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.insert(name + "\\");
      AddTree(dir, name + "\\", out, bytes);
    } else {
      out.insert(bytes ? name + "=" + Read(dir + "\\" + name) : "link " + name);
    }
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

}  // namespace

void InstallAWithDownloads(const std::string& dir, const std::string& group) {
  for (const char* folder : {"", "\\data", "\\uninstall", "\\update.download"})
    CreateDirectoryA((dir + folder).c_str(), nullptr);
  Write(dir + "\\TDMClient.exe", "client A");
  Write(dir + "\\a.txt", "alpha A");
  Write(dir + "\\data\\b.dat", "bravo");
  Write(dir + "\\old.txt", "old");
  Write(dir + "\\readme.txt", "readme");
  Write(dir + "\\uninstall\\0.1.0.lst",
        "D data\r\nD uninstall\r\nF TDMClient.exe\r\nF a.txt\r\nF data\\b.dat\r\nF old.txt\r\n"
        "F readme.txt\r\nF uninstall\\0.1.0.lst\r\nL Tidemoor.lnk\r\nS 23\r\nR0 Liesmich.lnk\r\n"
        "R1 Readme.lnk\r\n");
  unsigned made = 0;
  links::MakeGroupLevels(Group(""), group, made);
  links::MakeLink(Group(group) + "\\Tidemoor.lnk", dir + "\\TDMClient.exe", dir);
  links::MakeLink(Group(group) + "\\Readme.lnk", dir + "\\readme.txt", dir);
  RegSetKeyValueA(HKEY_CURRENT_USER, kEntry, "DisplayVersion", REG_SZ, "0.1.0", 6);
  for (const auto& [name, bytes] : kFetched) Write(Download(dir, name), bytes);
}

updater::ApplyRequest Request(const std::string& dir, const std::string& group) {
  static feed::Release b;
  b = {};
  b.version = {2, 0};
  b.directories = {"data", "data/maps", "uninstall"};
  for (const char* name : {"TDMClient.exe", "a.txt", "data/b.dat", "data/maps/c.map", "readme.txt",
                           "uninstall/0.2.0.lst"})
    b.files.push_back({name, 0x01D0000000000000ull, {}});
  b.shortcuts = {{"TDMClient.exe", 23}, {"a.txt", 24}};
  b.readmeFiles = {"readme.txt", "readme.txt"};
  b.readmeLinks = {"Liesmich.lnk", "Readme.lnk"};
  updater::ApplyRequest request;
  request.installation = {dir, false, 1, group, true, {1, 0}};
  request.target = &b;
  for (std::size_t i = 0; i < b.files.size(); ++i)
    if (kFetched.count(b.files[i].name)) {
      request.files.push_back(i);
      request.downloads.push_back(Download(dir, b.files[i].name));
    }
  return request;
}

std::string Snapshot(const std::string& dir, const std::string& group) {
  std::set<std::string> lines;
  AddTree(dir, "", lines);
  AddTree(Group(group), "", lines, false);
  char version[32] = {};
  DWORD size = sizeof version;
  RegGetValueA(HKEY_CURRENT_USER, kEntry, "DisplayVersion", RRF_RT_REG_SZ, nullptr, version, &size);
  lines.insert(std::string("version ") + version);
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

}  // namespace apply_fixture
