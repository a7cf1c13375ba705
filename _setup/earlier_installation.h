// Whether the installer may run over what an earlier installation left: a full
// installation must not, an update only over the right client version. Plain values
// in, the outcome out; the wizard reads the registry and the client and acts on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace setup {

// The two halves of a product version; MS counts thousandths (806 is 0.806).
struct ProductVersion {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
};

struct EarlierFacts {
  std::uint32_t kind = 0;                 // the archive's SetupKind
  std::optional<std::uint32_t> language;  // "Language", current user or machine
  bool installDirRegistered = false;      // "InstallDir" readable
  bool startMenuGroupRegistered = false;  // "StartMenuGroup" readable
  std::optional<ProductVersion> client;   // TDMClient.exe's version; none when unreadable
  ProductVersion package, required;
};

enum class EarlierVerdict { Proceed, Adopt, Refuse };

// The refusal's text is the installed client's path, not a catalogue text.
inline constexpr std::uint32_t kClientPathText = 0xFFFFFFFFu;

struct EarlierOutcome {
  EarlierVerdict verdict = EarlierVerdict::Proceed;
  // The registered language, which the wizard and its refusal speak from now on.
  std::optional<std::uint32_t> language;
  std::uint32_t text = 0;  // catalogue ids of a refusal
  std::uint32_t caption = 0;
  bool operator==(const EarlierOutcome&) const = default;
};

EarlierOutcome DecideEarlierInstallation(const EarlierFacts& facts);

// Text 36 filled in: the required MS as a decimal fraction; the German text also
// prints the required LS.
std::string WrongClientVersionText(const char* format, ProductVersion required);

}  // namespace setup
