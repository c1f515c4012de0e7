#pragma once

// How the browser is started: its arguments, the Windows command line that carries them, the
// descriptors its C runtime finds the DevTools pipe on, and the small shell wrapper that gives a
// Linux browser under Wine its pipe and ties its life to the launcher's.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace myr::browser::chromium {

struct BrowserLaunch {
  std::string profileFolder;   // as the browser names paths
  std::string extraArguments;  // blank-separated, double quotes group; may open a debugging port
};

// The page the browser opens at its start, which becomes the launcher's.
inline constexpr std::string_view kFirstPageUrl = "about:blank";

// A headless browser with its own profile that speaks the DevTools protocol over its pipe
// (descriptors 3 and 4) and opens no port unless the extra arguments ask for one.
std::vector<std::string> browserArguments(const BrowserLaunch& launch);

// Splits arguments the way a user writes them: blanks separate, double quotes group.
std::vector<std::string> splitArguments(std::string_view text);

// Quotes one argument so that the C runtime's command-line parsing gives it back unchanged.
std::string quoteWindowsArgument(std::string_view argument);
std::string windowsCommandLine(const std::vector<std::string>& arguments);

// What a child's C runtime reads from STARTUPINFO's lpReserved2 at its start: its descriptors 0
// to 4, of which 3 (commands in) and 4 (replies out) are pipes and the first three are left to
// the standard handles. Handles are given as their values.
std::vector<std::byte> crtPipeDescriptors(std::uintptr_t commandsIn, std::uintptr_t repliesOut);

// A bash script, run as: bash -c <script> devtools <folder> <browser> <arguments...>.
// It makes the folder (the player's alone) with three FIFOs, "in", "out" and "life", and the
// file "ready" once they exist; opens them as 3, 4 and 5 (waiting until the launcher holds the
// other ends), removes the folder, and starts the browser in a process group of its own with
// the pipe on 3 and 4. It ends that group as soon as "life" closes, which happens however the
// launcher ends, and ends itself when the browser does. A launcher that never opens its ends
// leaves it 30 seconds, after which it removes the folder and ends.
std::string_view pipeWrapperScript();

// The version number in a browser's banner ("Chromium 156.0.8078.129 built on Debian") or
// product name ("HeadlessChrome/156.0.8078.129"); empty when there is none.
std::string versionIn(std::string_view text);

}  // namespace myr::browser::chromium
