#include "platform/web/Application.h"

#include <algorithm>

#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"

namespace web {
namespace {
thread_local TIWApplication* GCurrent = nullptr;
}

TIWApplication* CurrentApplication() noexcept { return GCurrent; }

TIWApplication* WebApplication() {
  if (!GCurrent) throw rt::Exception("No browser session is being served on this thread");
  return GCurrent;
}

TCurrentApplicationScope::TCurrentApplicationScope(TIWApplication* app) noexcept : FPrevious(GCurrent) {
  GCurrent = app;
}

TCurrentApplicationScope::~TCurrentApplicationScope() { GCurrent = FPrevious; }

TIWApplication::TIWApplication() = default;

TIWApplication::~TIWApplication() {
  // Forms and frames first: their handlers and destructors may still use the session data.
  FStack.clear();
  FReleased.clear();
  while (!FForms.empty()) FForms.pop_back();
  FreeAllComponents();
  TIWAppCache::ReleaseOwner(this);
  FData.reset();
}

void TIWApplication::AdoptForm(std::unique_ptr<TIWAppForm> form) { FForms.push_back(std::move(form)); }

void TIWApplication::ShowForm(TIWAppForm* form) {
  FStack.erase(std::remove(FStack.begin(), FStack.end(), form), FStack.end());
  FStack.push_back(form);
}

void TIWApplication::RemoveForm(TIWAppForm* form) {
  FStack.erase(std::remove(FStack.begin(), FStack.end(), form), FStack.end());
}

void TIWApplication::ReleaseForm(TIWAppForm* form) {
  RemoveForm(form);
  auto it = std::find_if(FForms.begin(), FForms.end(), [&](const auto& p) { return p.get() == form; });
  if (it == FForms.end()) return;
  FReleased.push_back(std::move(*it));
  FForms.erase(it);
}

void TIWApplication::FlushReleased() { FReleased.clear(); }

void TIWApplication::ShowMessage(const std::string& text) { FMessages.push_back(text); }

void TIWApplication::AddToInitProc(const std::string& script) { FInitProcs.push_back(script); }

void TIWApplication::NewWindow(const std::string& url, const std::string& name, unsigned options) {
  auto yn = [&](unsigned flag) { return (options & flag) ? "yes" : "no"; };
  std::string features = std::string("toolbar=") + yn(woButtons) + ",status=" + yn(woStatusBar) +
                         ",menubar=" + yn(woMenuBar) + ",scrollbars=" + yn(woScrollBars) +
                         ",resizable=" + yn(woResizable);
  if (options & woFullScreen) features += ",fullscreen=yes";
  FInitProcs.push_back("NewWindow(" + JsString(url) + ", " + JsString(name) + "," + JsString(features) + ");");
}

void TIWApplication::SendStream(std::string bytes, bool attachment, const std::string& contentType,
                                const std::string& fileName) {
  FDownload = TIWAppCache::AddBytes(this, std::move(bytes), contentType.empty() ? "application/octet-stream" : contentType,
                                    ContentDisposition(attachment, fileName));
}

void TIWApplication::SendStream(rt::TStream& stream, bool attachment, const std::string& contentType,
                                const std::string& fileName) {
  std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  SendStream(std::move(bytes), attachment, contentType, fileName);
}

void TIWApplication::BeginRequest(TIWRequest request, int formWidth) {
  FRequest = std::move(request);
  FResponse = TIWResponse{};
  if (formWidth > 0) FFormWidth = formWidth;
}

std::vector<std::string> TIWApplication::TakeMessages() { return std::exchange(FMessages, {}); }
std::vector<std::string> TIWApplication::TakeInitProcs() { return std::exchange(FInitProcs, {}); }
std::string TIWApplication::TakeDownload() { return std::exchange(FDownload, {}); }

// ---- TIWAppForm ----

namespace {
std::function<TIWAppForm*(TIWApplication&)>& MainFactory() {
  static std::function<TIWAppForm*(TIWApplication&)> f;
  return f;
}
}  // namespace

TIWAppForm::TIWAppForm(TIWApplication& app) : FApplication(app), FKey(NewControlKey()) {}

TIWAppForm::~TIWAppForm() { FreeAllComponents(); }

void TIWAppForm::SetMainFormFactory(std::function<TIWAppForm*(TIWApplication&)> factory) {
  MainFactory() = std::move(factory);
}

const std::function<TIWAppForm*(TIWApplication&)>& TIWAppForm::MainFormFactory() { return MainFactory(); }

void TIWAppForm::Render(THtml& h) const {
  h.Raw("<div id=\"iwForm\"").Attr("data-form", Name);
  h.Raw(" data-k=\"").Raw(std::to_string(FKey)).Raw("\"");
  if (OnDefaultAction) h.Raw(" data-default=\"1\"");
  if (OnKeyDown && !KeyPreview.empty()) {
    std::string keys;
    for (int k : KeyPreview) keys += (keys.empty() ? "" : ",") + std::to_string(k);
    h.Raw(" data-keys=\"").Raw(keys).Raw("\"");
  }
  if (PasteTarget != nullptr) h.Raw(" data-paste=\"").Raw(std::to_string(PasteTarget->Key())).Raw("\"");
  h.Raw(" style=\"min-height:").Raw(std::to_string(std::max(Height, 0))).Raw("px\">");
  TIWRenderContext ctx;
  ctx.RenderInvisible = RenderInvisibleControls;
  RenderChildren(h, ctx);
  h.Raw("</div>");
}

std::vector<std::string> TIWAppForm::TakeInitProcs() { return std::exchange(FInitProcs, {}); }

}  // namespace web
