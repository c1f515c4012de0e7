#include "webui/browser/chromium/browser_command_line.h"

namespace myr::browser::chromium {
namespace {

constexpr std::string_view kPortSwitch = "--remote-debugging-port=";

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
    "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
    "--password-store=basic",
    "--use-mock-keychain",
    "--hide-crash-restore-bubble",
    // The page's files are answered before any request leaves the browser; whatever else would
    // reach the network (WebSockets, which request interception does not see) meets a closed port.
    "--proxy-server=http://127.0.0.1:9",
    "--proxy-bypass-list=<-loopback>",
};

constexpr std::string_view kLifeline = R"SH(
exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
browser=$2
shift 2
# The browser refuses to run as root with its sandbox on.
if [ "$(id -u)" = 0 ]; then set -- "$@" --no-sandbox; fi
set -m
"$browser" "$@" </dev/null 3<&- &
pid=$!
( cat <&3 >/dev/null; kill -TERM -- "-$pid" 2>/dev/null; sleep 0.4; kill -KILL -- "-$pid" 2>/dev/null ) &
watcher=$!
exec 3<&-
wait "$pid"
kill -- "-$watcher" 2>/dev/null
)SH";

}  // namespace

std::vector<std::string> browserArguments(const BrowserLaunch& launch) {
  std::vector<std::string> arguments(std::begin(kFixedArguments), std::end(kFixedArguments));
  arguments.push_back("--user-data-dir=" + launch.profileFolder);
  std::string port = std::string(kPortSwitch) + "0";
  std::vector<std::string> extra;
  for (std::string& argument : splitArguments(launch.extraArguments)) {
    if (argument.starts_with(kPortSwitch)) {
      port = std::move(argument);
    } else {
      extra.push_back(std::move(argument));
    }
  }
  arguments.push_back(std::move(port));
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("about:blank");
  return arguments;
}

int requestedDebuggingPort(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.starts_with(kPortSwitch)) {
      int port = 0;
      for (const char c : std::string_view(argument).substr(kPortSwitch.size())) {
        if (c < '0' || c > '9' || port > 65535) {
          return 0;
        }
        port = port * 10 + (c - '0');
      }
      return port <= 65535 ? port : 0;
    }
  }
  return 0;
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

std::string_view lifelineScript() { return kLifeline; }

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
