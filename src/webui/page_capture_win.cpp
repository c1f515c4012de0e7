#include <shlwapi.h>
#include <wrl/client.h>

#include "app/app_state_win.h"
#include "app/main_window_win.h"
#include "webui/page_host_win.h"
#include "webui/web_host_win.h"

namespace myr {

void capturePage() {
  const HWND window = app::appState().mainWindow;
  KillTimer(window, app::kCaptureTimer);
  browser::View* view = webHost().view.get();
  Microsoft::WRL::ComPtr<IStream> stream;
  if (view == nullptr ||
      FAILED(SHCreateStreamOnFileEx(app::appState().capturePath.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_DENY_WRITE,
                                    FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, &stream))) {
    DestroyWindow(window);
    return;
  }
  view->capturePng(stream.Get(), [stream, window](HRESULT) {
    stream->Commit(STGC_DEFAULT);
    DestroyWindow(window);
  });
}

}  // namespace myr
