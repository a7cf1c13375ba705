#include "release_commands.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

#include "commands.h"
#include "embedded_programs.h"
#include "feed_publish.h"
#include "update_command.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

struct Parsed {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> options;

  std::string One(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::string() : found->second.front();
  }
  const std::vector<std::string>& All(const std::string& name) const {
    static const std::vector<std::string> none;
    const auto found = options.find(name);
    return found == options.end() ? none : found->second;
  }
};

// `allowed` options take one value each; only --mirror may be given more than once.
bool Parse(const std::vector<std::string>& args, std::size_t from,
           std::initializer_list<const char*> allowed, Parsed& parsed, std::ostream& err) {
  for (std::size_t i = from; i < args.size(); ++i) {
    if (args[i].size() < 2 || args[i][0] != '-') {
      parsed.positional.push_back(args[i]);
      continue;
    }
    if (std::find_if(allowed.begin(), allowed.end(),
                     [&](const char* name) { return args[i] == name; }) == allowed.end()) {
      err << "mksetup: unknown option " << args[i] << " for " << args[0] << "\n";
      return false;
    }
    std::vector<std::string>& values = parsed.options[args[i]];
    if (i + 1 == args.size() || args[i + 1].empty() || (!values.empty() && args[i] != "--mirror")) {
      err << "mksetup: " << args[i] << " needs one value\n";
      return false;
    }
    values.push_back(args[++i]);
  }
  return true;
}

bool Mirrors(const Parsed& parsed, FeedOptions& options, std::ostream& err) {
  options.mirrors = parsed.All("--mirror");
  for (const std::string& mirror : options.mirrors)
    if (const char* problem = FeedUrlProblem(mirror)) {
      err << "mksetup: --mirror \"" << mirror << "\" " << problem << "\n";
      return false;
    }
  return true;
}

bool ValidDays(const Parsed& parsed, FeedOptions& options, std::ostream& err) {
  const std::string text = parsed.One("--valid-days");
  if (text.empty()) return true;
  const auto [end, problem] =
      std::from_chars(text.data(), text.data() + text.size(), options.validDays);
  if (problem == std::errc{} && end == text.data() + text.size() && options.validDays >= 1 &&
      options.validDays <= 3650)
    return true;
  err << "mksetup: --valid-days \"" << text << "\" is not a number of days from 1 to 3650\n";
  return false;
}

int Usage(std::ostream& err) {
  WriteUsage(err);
  return kExitUsage;
}

int Update(const Parsed& p, std::ostream& out, std::ostream& err) {
  UpdateOptions o;
  if (p.positional.size() != 2 || p.One("--stub").empty() || p.One("-o").empty())
    return Usage(err << "mksetup: update needs OLD.ini, NEW.ini, --stub and -o\n");
  o.oldManifest = p.positional[0];
  o.newManifest = p.positional[1];
  o.oldPayload = p.One("--old-payload");
  o.newPayload = p.One("--new-payload");
  o.stub = p.One("--stub");
  o.output = p.One("-o");
  o.signing = {p.One("--sign"), p.One("--password-file"), p.One("--password-env"),
               p.One("--timestamp")};
  o.feed = p.One("--feed");
  return BuildDerivedUpdate(o, out, err);
}

int Publish(const Parsed& p, std::ostream& out, std::ostream& err) {
  PublishOptions publish;
  FeedOptions options;
  if (p.positional.size() != 1 || p.One("--feed").empty() || p.One("--key").empty())
    return Usage(err << "mksetup: publish needs NEW.ini, --feed and --key\n");
  if (!ValidDays(p, options, err) || !Mirrors(p, options, err)) return kExitUsage;
  publish.manifest = p.positional[0];
  publish.payload = p.One("--payload");
  publish.updatesFrom = p.One("--updates-from");
  publish.patchNotes = {p.One("--patchnotes-german"), p.One("--patchnotes-english")};
  if (const std::string k = p.One("--patch-from-releases"); !k.empty()) {
    const auto [end, problem] =
        std::from_chars(k.data(), k.data() + k.size(), publish.patchFromReleases);
    if (problem != std::errc{} || end != k.data() + k.size() || publish.patchFromReleases < 0 ||
        publish.patchFromReleases > 100)
      return Usage(err << "mksetup: --patch-from-releases \"" << k
                       << "\" is not a number of releases from 0 to 100\n");
  }
  publish.signing = {p.One("--sign"), p.One("--password-file"), p.One("--password-env"),
                     p.One("--timestamp")};
  options.feed = p.One("--feed");
  options.key = p.One("--key");
  options.servers = p.One("--servers");
  return PublishRelease(publish, options, out, err);
}

int Feed(const Parsed& p, std::ostream& out, std::ostream& err) {
  FeedOptions options;
  if (p.positional.size() != 2 || !ValidDays(p, options, err) || !Mirrors(p, options, err))
    return Usage(err);
  const std::string& action = p.positional[0];
  options.feed = p.positional[1];
  options.key = p.One("--key");
  options.newKey = p.One("--new-key");
  if (action == "verify" && !p.One("--pubkey").empty() && options.key.empty())
    return VerifyFeed(options.feed, p.One("--pubkey"), out, err);
  if (action == "refresh" && !options.key.empty() && options.newKey.empty())
    return RefreshFeed(options, out, err);
  if (action == "rotate" && !options.key.empty() && !options.newKey.empty())
    return RotateFeedKey(options, out, err);
  if (action == "status" && options.key.empty() && options.newKey.empty()) {
    std::uint32_t warnDays = 7;
    const std::string text = p.One("--warn-days");
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), warnDays);
    if (!text.empty() && (problem != std::errc{} || end != text.data() + text.size()))
      return Usage(err << "mksetup: --warn-days \"" << text << "\" is not a number of days\n");
    return FeedStatus(options.feed, warnDays, out, err);
  }
  if (action == "prune" && !options.key.empty() && options.newKey.empty()) {
    std::size_t keep = 0;
    const std::string text = p.One("--keep");
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), keep);
    if (problem != std::errc{} || end != text.data() + text.size() || keep == 0)
      return Usage(err << "mksetup: --keep \"" << text << "\" is not a number of releases\n");
    return PruneFeed(options, keep, out, err);
  }
  return Usage(err);
}

}  // namespace

const char kReleaseUsage[] =
    "       mksetup update <OLD.ini> <NEW.ini> --stub <SetupStub.exe> -o <Update.exe>\n"
    "               [--old-payload DIR] [--new-payload DIR] [--sign ...] [--feed DIR]\n"
    "       mksetup keygen <NAME>    (writes NAME.key and NAME.pub)\n"
    "       mksetup publish <NEW.ini> --feed DIR --key NAME.key [--payload DIR]\n"
    "               [--updates-from V] [--valid-days N] [--mirror URL]... [--servers FILE]\n"
    "               [--patchnotes-german FILE] [--patchnotes-english FILE] [--sign ...]\n"
    "               [--patch-from-releases K]   (patches from the last K releases; 3)\n"
    "       mksetup feed refresh DIR --key NAME.key [--valid-days N] [--mirror URL]...\n"
    "       mksetup feed rotate DIR --key OLD.key --new-key NEW.key [--valid-days N]\n"
    "       mksetup feed verify DIR --pubkey NAME.pub\n"
    "       mksetup feed status DIR [--warn-days N]   (exit 1 within N days of expiry; 7)\n"
    "       mksetup feed prune DIR --key NAME.key --keep N [--valid-days N]\n"
    "       mksetup list <feed folder>\n";

bool RunReleaseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       int& code) {
  if (args.empty()) return false;
  const std::string& command = args[0];
  std::error_code ignored;
  if (command == "list" && args.size() == 2 && fs::is_directory(args[1], ignored)) {
    code = ListFeed(args[1], out, err);
    return true;
  }
  Parsed p;
  if (command == "update") {
    code = !Parse(args, 1,
                  {"--stub", "-o", "--old-payload", "--new-payload", "--sign", "--password-file",
                   "--password-env", "--timestamp", "--feed"},
                  p, err)
               ? Usage(err)
               : Update(p, out, err);
  } else if (command == "keygen") {
    code = !Parse(args, 1, {}, p, err) || p.positional.size() != 1
               ? Usage(err)
               : GenerateKeyPair(p.positional[0], out, err);
  } else if (command == "publish") {
    code =
        !Parse(args, 1,
               {"--feed", "--key", "--payload", "--updates-from", "--valid-days", "--mirror",
                "--servers", "--patchnotes-german", "--patchnotes-english", "--patch-from-releases",
                "--sign", "--password-file", "--password-env", "--timestamp"},
               p, err)
            ? Usage(err)
            : Publish(p, out, err);
  } else if (command == "feed") {
    code = !Parse(args, 1,
                  {"--key", "--new-key", "--pubkey", "--valid-days", "--mirror", "--warn-days",
                   "--keep"},
                  p, err)
               ? Usage(err)
               : Feed(p, out, err);
  } else {
    return false;
  }
  return true;
}

}  // namespace mksetup
