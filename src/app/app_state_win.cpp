#include "app/app_state_win.h"

namespace myr::app {

AppState& appState() {
  static AppState state;
  return state;
}

}  // namespace myr::app
