#include "webui/browser/chromium/browser_command_line.h"

#include <initializer_list>

namespace myr::browser::chromium {
namespace {

// The browser must behave as part of an application: no first-run pages, no background
// traffic, no prompts of its own.
constexpr std::string_view kFixedArguments[] = {
    "--headless",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-default-apps",
    "--disable-extensions",
    "--disable-sync",
    "--disable-breakpad",
    // The address bar's pop-ups are pages of their own that the browser readies at its start even
    // without a window (a renderer and about a second of processor time); there is no address bar.
    "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication,WebUIOmniboxPopup,"
    "WebUIOmniboxAimPopup",
    "--password-store=basic",
    "--use-mock-keychain",
    "--hide-crash-restore-bubble",
    // The page's files are answered before any request leaves the browser; whatever else would
    // reach the network (WebSockets, which request interception does not see) meets a closed port.
    "--proxy-server=http://127.0.0.1:9",
    "--proxy-bypass-list=<-loopback>",
};

// The descriptors' flags of the C runtime: open, and a pipe.
constexpr std::uint8_t kOpenPipe = 0x01 | 0x08;
constexpr std::int32_t kDescriptorCount = 5;
constexpr std::uintptr_t kNoHandle = ~std::uintptr_t{0};

constexpr std::string_view kPipeWrapper = R"SH(
folder=$1 browser=$2
shift 2
# The browser refuses to run as root with its sandbox on.
if [ "$(id -u)" = 0 ]; then set -- "$@" --no-sandbox; fi
mkdir -m 700 -- "$folder" && mkfifo -m 600 -- "$folder/in" "$folder/out" "$folder/life" && : >"$folder/ready" || exit 1
set -m
# A launcher that is gone before it opened its ends would leave the opening below waiting.
( sleep 30; rm -rf -- "$folder"; kill -- $$ ) &
guard=$!
exec 3<"$folder/in" 4>"$folder/out" 5<"$folder/life"
{ kill -- "-$guard" && wait "$guard"; } 2>/dev/null
rm -rf -- "$folder"
"$browser" "$@" </dev/null 5<&- &
pid=$!
( cat <&5 >/dev/null; kill -TERM -- "-$pid" 2>/dev/null; sleep 0.4; kill -KILL -- "-$pid" 2>/dev/null ) 3<&- 4>&- &
watcher=$!
exec 3<&- 4>&- 5<&-
wait "$pid"
kill -- "-$watcher" 2>/dev/null
)SH";

}  // namespace

std::vector<std::string> browserArguments(const BrowserLaunch& launch) {
  std::vector<std::string> arguments(std::begin(kFixedArguments), std::end(kFixedArguments));
  arguments.push_back("--user-data-dir=" + launch.profileFolder);
  arguments.push_back("--remote-debugging-pipe");
  for (std::string& argument : splitArguments(launch.extraArguments)) {
    arguments.push_back(std::move(argument));
  }
  arguments.emplace_back(kFirstPageUrl);
  return arguments;
}

std::vector<std::byte> crtPipeDescriptors(std::uintptr_t commandsIn, std::uintptr_t repliesOut) {
  std::vector<std::byte> block;
  const auto append = [&block](auto value) {
    for (std::size_t i = 0; i < sizeof value; ++i) {
      block.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
    }
  };
  append(kDescriptorCount);
  for (const std::uint8_t flags : std::initializer_list<std::uint8_t>{0, 0, 0, kOpenPipe, kOpenPipe}) {
    append(flags);
  }
  for (const std::uintptr_t handle : {kNoHandle, kNoHandle, kNoHandle, commandsIn, repliesOut}) {
    append(handle);
  }
  return block;
}

std::vector<std::string> splitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) {
        arguments.push_back(std::move(current));
        current.clear();
        inArgument = false;
      }
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) {
    arguments.push_back(std::move(current));
  }
  return arguments;
}

std::string quoteWindowsArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: there they are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string windowsCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) {
      line += ' ';
    }
    line += quoteWindowsArgument(argument);
  }
  return line;
}

std::string_view pipeWrapperScript() { return kPipeWrapper; }

std::string versionIn(std::string_view text) {
  const auto isVersionByte = [](char c) { return (c >= '0' && c <= '9') || c == '.'; };
  for (std::size_t start = 0; start < text.size(); ++start) {
    const bool atWordStart = start == 0 || text[start - 1] == ' ' || text[start - 1] == '/';
    if (!atWordStart || text[start] < '0' || text[start] > '9') {
      continue;
    }
    std::size_t end = start;
    while (end < text.size() && isVersionByte(text[end])) {
      ++end;
    }
    const std::string_view candidate = text.substr(start, end - start);
    if (candidate.find('.') != std::string_view::npos && candidate.back() != '.') {
      return std::string(candidate);
    }
  }
  return {};
}

}  // namespace myr::browser::chromium
