#include "directory_rules.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

constexpr std::string_view kSuffix = "\\Tidemoor";
using Rule = std::optional<std::string> (*)(std::string_view);
std::optional<std::string> Open(std::string_view text) {
  return FolderToOpen(text, kSuffix);
}
std::optional<std::string> Propose(std::string_view text) {
  return ProposedDirectory(text, kSuffix);
}
const Rule Ok = ConfirmedDirectory;

TEST(DirectoryRules, Table) {
  const struct {
    Rule rule;
    const char* text;
    std::optional<std::string> want;
  } rows[] = {
      {Open, "C:\\Program Files\\Tidemoor", "C:\\Program Files"},
      {Open, "D:\\Games", "D:\\Games"},
      {Open, "D:\\Tidemoor\\x\\Tidemoor", "D:\\x\\Tidemoor"},  // the first occurrence only
      {Open, "D:\\games\\tidemoor", "D:\\games\\tidemoor"},
      {Propose, "C:\\", "C:\\Tidemoor"},
      {Propose, "D:\\Games", "D:\\Games\\Tidemoor"},
      {Propose, "D:\\Games\\Tidemoor\\Data", "D:\\Games\\Tidemoor\\Data"},
      {Propose, "D:\\Games\\TidemoorX", "D:\\Games\\TidemoorX"},  // held anywhere
      {Propose, "D:\\games\\tidemoor", "D:\\games\\tidemoor\\Tidemoor"},
      {Ok, "E:\\Spiele\\Tidemoor\\", "E:\\Spiele\\Tidemoor"},
      {Ok, "C:\\", "C:"},
      {Ok, "C:\\x\\\\", "C:\\x\\"},
      {Ok, "\\", ""},
      {Ok, "", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(row.rule(row.text), row.want) << row.text;
}

}  // namespace
}  // namespace setup
