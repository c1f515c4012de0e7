#pragma once

namespace myr {

// The launcher's version: the game log's header, "init" and the version resource name the same.
inline constexpr char kLauncherVersion[] = "0.1.0";

}  // namespace myr
