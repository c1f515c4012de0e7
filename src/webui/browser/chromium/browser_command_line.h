#pragma once

// How the browser is started: its arguments, the Windows command line that carries them, and
// the small shell wrapper that ties a Linux browser's life to the launcher's under Wine.

#include <string>
#include <string_view>
#include <vector>

namespace myr::browser::chromium {

struct BrowserLaunch {
  std::string profileFolder;   // as the browser names paths
  std::string extraArguments;  // blank-separated, double quotes group; may hold a debugging port
};

// A headless browser with its own profile, on the debugging port the extra arguments name
// (otherwise 0: the browser picks one and writes it into its profile folder).
std::vector<std::string> browserArguments(const BrowserLaunch& launch);

// The port the arguments ask for; 0 when the browser picks one.
int requestedDebuggingPort(const std::vector<std::string>& arguments);

// Splits arguments the way a user writes them: blanks separate, double quotes group.
std::vector<std::string> splitArguments(std::string_view text);

// Quotes one argument so that the C runtime's command-line parsing gives it back unchanged.
std::string quoteWindowsArgument(std::string_view argument);
std::string windowsCommandLine(const std::vector<std::string>& arguments);

// A bash script, run as: bash -c <script> lifeline <port> <browser> <arguments...>.
// It connects to the launcher's loopback port, starts the browser in a process group of its
// own, and ends that group as soon as the connection closes, which happens however the
// launcher ends. It ends itself when the browser does.
std::string_view lifelineScript();

// The version number in a browser's banner ("Chromium 156.0.8078.129 built on Debian") or
// product name ("HeadlessChrome/156.0.8078.129"); empty when there is none.
std::string versionIn(std::string_view text);

}  // namespace myr::browser::chromium
