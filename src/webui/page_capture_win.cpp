#include <shlwapi.h>
#include <wrl/client.h>

#include "webui/web_host_win.h"

namespace myr::webui {

void WebHost::capturePage(const std::wstring& path, std::function<void()> done) {
  Microsoft::WRL::ComPtr<IStream> stream;
  if (view_ == nullptr || FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_DENY_WRITE,
                                                        FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, &stream))) {
    done();
    return;
  }
  view_->capturePng(stream.Get(), [stream, done = std::move(done)](HRESULT) {
    stream->Commit(STGC_DEFAULT);
    done();
  });
}

}  // namespace myr::webui
