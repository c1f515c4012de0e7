#pragma once

namespace myr {

// Starts the page in the main window unless it is already started.
void startUi();
// Writes a picture of the page to the capture path and ends the launcher.
void capturePage();

}  // namespace myr
