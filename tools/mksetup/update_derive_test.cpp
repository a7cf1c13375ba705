#include "update_derive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_release.h"

namespace mksetup {
namespace {

using archive::ArchiveDescription;
using test_support::TestFile;

bool SameSpans(const archive::WriterFile& a, const archive::WriterFile& b) {
  return std::equal(a.bytes.begin(), a.bytes.end(), b.bytes.begin(), b.bytes.end());
}

std::string Names(const std::vector<archive::WriterFile>& files) {
  std::string names;
  for (const archive::WriterFile& file : files) names += file.name + " ";
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += name + " ";
  return joined;
}

// Each row changes the new release (0.807.4) made from the old (0.807.3), then
// derives; what goes in and what goes, or the refusal's words.
TEST(DeriveUpdate, TakesWhatChangedAndRefusesWhatAnUpdateCannotDo) {
  struct Row {
    const char* what;
    void (*change)(ArchiveDescription& old, ArchiveDescription& next);
    const char* files;     // the update's files, or a piece of the refusal
    const char* obsolete;  // the obsolete list, or null for a refusal
  };
  const Row rows[] = {
      {"nothing else", [](auto&, auto&) {}, "", ""},
      {"added, changed in bytes, in time",
       [](auto&, auto& n) {
         n.files[0] = TestFile("TDMClient.exe", "MZ Tidemoor client stand-ix");
         n.files[2].fileTime += 1;
         n.files.push_back(TestFile("data/maps/new.map", "new"));
       },
       "TDMClient.exe TDMOptions.exe data/maps/new.map ", ""},
      {"gone, the old uninstall list kept",
       [](auto& o, auto& n) {
         o.files.push_back(TestFile("uninstall/0.807.3.lst", "F x"));
         n.files.erase(n.files.begin() + 4);
       },
       "", "data/empty.dat "},
      {"a new version not above", [](auto&, auto& n) { n.packageVersionLS = 3; },
       "PackageVersion 807.3 is not above 807.3 of old.ini", nullptr},
      {"different products", [](auto&, auto& n) { n.installDirSuffix = "\\Othergame"; },
       "different products", nullptr},
      {"an update as release", [](auto& o, auto&) { o.kind = archive::SetupKind::Update; },
       "old.ini: [Setup] Kind is Update", nullptr},
      {"a file becomes a folder",
       [](auto&, auto& n) {
         n.files.erase(n.files.begin() + 4);
         n.directories.push_back("data/empty.dat");
       },
       "\"data/empty.dat\" is a file in old.ini and a folder in new.ini", nullptr},
      {"a folder becomes a file",
       [](auto&, auto& n) {
         n.directories.erase(n.directories.begin() + 2);
         n.files.erase(n.files.begin() + 5, n.files.end());
         n.files.push_back(TestFile("DOCS", "x"));
       },
       "\"DOCS\" is a folder in old.ini and a file in new.ini", nullptr},
      {"a case-only rename", [](auto&, auto& n) { n.files[3].name = "data/maps/Harbour.map"; },
       "\"data/maps/harbour.map\" of old.ini and \"data/maps/Harbour.map\" of new.ini differ only "
       "in letter case",
       nullptr},
  };
  for (const Row& row : rows) {
    ArchiveDescription old = test_support::TestRelease(), next = old, update;
    next.packageVersionLS = 4;
    next.title = "Tidemoor 0.807.4";
    row.change(old, next);
    std::string error;
    const bool derived =
        DeriveUpdate({"old.ini", &old}, {"new.ini", &next}, SameSpans, update, error);
    if (row.obsolete == nullptr) {
      EXPECT_FALSE(derived) << row.what;
      EXPECT_NE(error.find(row.files), std::string::npos) << row.what << ": " << error;
      continue;
    }
    ASSERT_TRUE(derived) << row.what << ": " << error;
    EXPECT_EQ(Names(update.files), row.files) << row.what;
    EXPECT_EQ(Joined(update.obsoleteFiles), row.obsolete) << row.what;
    EXPECT_EQ(update.kind, archive::SetupKind::Update);
    EXPECT_EQ(update.requiredVersionLS * 1000 + update.packageVersionLS, 3004u) << row.what;
    EXPECT_EQ(update.title, "Tidemoor 0.807.4");
    EXPECT_EQ(update.directories, next.directories);
  }
}

}  // namespace
}  // namespace mksetup
