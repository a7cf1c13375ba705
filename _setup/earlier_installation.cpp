#include "earlier_installation.h"

#include "s_format.h"
#include "s_lang_ids.h"
#include "setup_archive.h"

namespace setup {
namespace {

constexpr auto kFull = static_cast<std::uint32_t>(archive::SetupKind::Full);
constexpr auto kUpdate = static_cast<std::uint32_t>(archive::SetupKind::Update);

EarlierOutcome Refuse(std::optional<std::uint32_t> language, std::uint32_t text,
                      std::uint32_t caption) {
  return {EarlierVerdict::Refuse, language, text, caption};
}

// A required half of 0 accepts any installed value.
bool Fits(ProductVersion required, ProductVersion installed) {
  return (required.ms == 0 || required.ms == installed.ms) &&
         (required.ls == 0 || required.ls == installed.ls);
}

bool Older(ProductVersion installed, ProductVersion package) {
  return installed.ms < package.ms || (installed.ms == package.ms && installed.ls < package.ls);
}

}  // namespace

EarlierOutcome DecideEarlierInstallation(const EarlierFacts& facts) {
  if (facts.kind != kFull && facts.kind != kUpdate) return {};
  // Only German and English have texts; any other number would leave every message
  // and caption empty, so it counts as English.
  std::optional<std::uint32_t> language;
  if (facts.language) language = *facts.language == 0 ? 0u : 1u;

  if (facts.kind == kFull)
    return language ? Refuse(language, kMsgUninstallPreviousFirst, kMsgError) : EarlierOutcome{};

  if (!language) return Refuse(language, kMsgRegistryReadFailed, kMsgError);
  if (!facts.installDirRegistered)
    return Refuse(language, kMsgInstallDirectoryUnknown, kMsgRegistryAccessFailure);
  if (!facts.startMenuGroupRegistered) return Refuse(language, kMsgRegistryReadFailed, kMsgError);
  if (!facts.client) return Refuse(language, kClientPathText, kMsgMissingClientFile);
  if (!Fits(facts.required, *facts.client))
    return Refuse(language, kMsgUpdateNeedsClientVersion, kMsgWrongClientVersion);
  // Without a required version the update is wanted only over an older client.
  if (facts.required.ms == 0 && facts.required.ls == 0 && !Older(*facts.client, facts.package))
    return Refuse(language, kMsgAlreadyUpdated, kMsgWrongClientVersion);
  return {EarlierVerdict::Adopt, language, 0, 0};
}

std::string WrongClientVersionText(const char* format, ProductVersion required) {
  char text[256];
  FormatText(text, sizeof text, format, static_cast<double>(required.ms) * 0.001,
             static_cast<unsigned>(required.ls));
  return text;
}

}  // namespace setup
