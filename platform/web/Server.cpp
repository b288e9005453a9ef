#include "platform/web/Server.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"
#include "platform/web/HttpServer.h"

namespace web {

namespace {

using Clock = std::chrono::steady_clock;

// Files of the content folder are ours, but a file past this size is not read into memory.
constexpr std::uintmax_t MaxStaticFileBytes = 64 * 1024 * 1024;
// Refused session starts are logged at most this often, so a flood cannot fill the log.
constexpr auto RefusalLogInterval = std::chrono::seconds(10);
// A worker keeps the memory it rendered a page into for its next page, up to this much; the memory
// of a larger page is let go.
constexpr std::size_t MaxKeptRenderBytes = 256 * 1024;
// Room left in front of an event's reply for the status line and headers the transport puts there,
// so that the reply goes out from the memory it was written into.
constexpr std::size_t ReplyHeadRoomBytes = 1024;

// The memory this worker renders pages into. Every event renders the whole form (tens of KB);
// rendering into fresh memory each time had the heap shrunk and regrown around every reply.
std::string& RenderMemory() {
  thread_local std::string buffer;
  return buffer;
}

void KeepRenderMemory(std::string&& used) {
  if (used.capacity() <= MaxKeptRenderBytes) RenderMemory() = std::move(used);
}

struct TSession {
  std::string Token;
  unsigned long Serial = 0;
  std::string Remote;
  std::string Client;  // ClientKey(Remote)
  // Key of the session's first form: while it is the form shown, the session is on its start page.
  std::uint64_t FirstFormKey = 0;
  // Held for the whole of one request, so one session's handlers never run at the same time.
  std::mutex Lock;
  std::unique_ptr<TIWApplication> App;
  // Guarded by the server's session-table lock.
  Clock::time_point LastUse;
  int Active = 0;
  bool OnStartPage = true;
  // Size of the last event reply, held under Lock: the next one is written into memory of that size.
  std::size_t LastReplyBytes = 0;
};

// The decoded fields of an event's body.
class TForm {
public:
  std::vector<http::TFormField> Fields;

  const http::TFormField* Find(const std::string& name) const {
    for (const auto& f : Fields)
      if (f.Name == name) return &f;
    return nullptr;
  }
  bool Has(const std::string& name) const { return Find(name) != nullptr; }
  std::string Value(const std::string& name) const {
    const http::TFormField* f = Find(name);
    return f ? f->Value : std::string();
  }
};

long long ToInt(const std::string& s, long long fallback) {
  try {
    std::size_t used = 0;
    const long long v = std::stoll(s, &used);
    return used == s.size() ? v : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

// The modifier keys of an event: "s", "a" and "c" for Shift, Alt and Ctrl.
rt::TShiftState ShiftOf(const std::string& s) {
  rt::TShiftState out = 0;
  if (s.find('s') != std::string::npos) out |= rt::ssShift;
  if (s.find('a') != std::string::npos) out |= rt::ssAlt;
  if (s.find('c') != std::string::npos) out |= rt::ssCtrl;
  return out;
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

std::string LimitText(std::size_t limit) {
  return "The file is too large to upload (at most " + std::to_string(limit / 1024) + " KiB).";
}

std::string EventLimitText(std::size_t size, std::size_t limit) {
  return "The page's entries and cookies are too large to send (" + std::to_string((size + 1023) / 1024) +
         " KiB, at most " + std::to_string(limit / 1024) +
         " KiB). Shorten the longest text, or remove some of the saved fluids.";
}

// A page of its own (the session has ended, the server is busy) with a link that starts anew.
std::string NoticePage(const std::string& appName, const std::string& heading, const std::string& text,
                       const std::string& link) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + HtmlEscape(appName) +
         "</title><style>body{font-family:Arial,Helvetica,sans-serif;font-size:11pt;margin:40px}"
         "h1{font-size:16pt}</style></head><body><h1>" +
         HtmlEscape(heading) + "</h1><p>" + HtmlEscape(text) + "</p><p><a href=\"/\">" + HtmlEscape(link) +
         "</a></p></body></html>";
}

std::string MimeType(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::pair<const char*, const char*> types[] = {
      {".png", "image/png"},        {".jpg", "image/jpeg"},          {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},        {".svg", "image/svg+xml"},       {".ico", "image/x-icon"},
      {".bmp", "image/bmp"},        {".webp", "image/webp"},         {".html", "text/html"},
      {".htm", "text/html"},        {".css", "text/css"},            {".js", "text/javascript"},
      {".json", "application/json"}, {".txt", "text/plain"},         {".csv", "text/csv"},
      {".pdf", "application/pdf"},  {".xml", "application/xml"},     {".woff", "font/woff"},
      {".woff2", "font/woff2"},     {".ttf", "font/ttf"}};
  for (const auto& [e, type] : types)
    if (ext == e) return type;
  return "application/octet-stream";
}

// A file below root named by the rest of an address (already percent-decoded); empty when the
// address leaves the folder or names no file.
std::filesystem::path StaticFile(const std::filesystem::path& root, const std::string& rest) {
  std::filesystem::path out = root;
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    const std::size_t slash = rest.find('/', pos);
    const std::string seg = rest.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    pos = slash == std::string::npos ? rest.size() + 1 : slash + 1;
    if (seg.empty() || seg == ".") continue;
    if (seg == ".." || seg.find('\\') != std::string::npos || seg.find(':') != std::string::npos) return {};
    out /= seg;
  }
  std::error_code ec;
  if (out == root || !std::filesystem::is_regular_file(out, ec)) return {};
  return out;
}

}  // namespace

struct TIWServer::TImpl {
  TIWServerOptions Opt;
  std::unique_ptr<THttpServer> Http;
  std::filesystem::path Files;
  std::thread Reaper;
  int BoundPort = 0;
  bool Started = false, Stopped = false;

  mutable std::mutex MapLock;
  std::unordered_map<std::string, std::shared_ptr<TSession>> Sessions;
  // Sessions being started: they count against the cap before they are in the table.
  std::size_t Starting = 0;
  // Sessions of each client, those being started included.
  std::unordered_map<std::string, std::size_t> ClientSessions;
  Clock::time_point LastRefusalLog{};
  bool GaveWay = false;
  std::condition_variable ReaperWake;
  bool Stopping = false;
  std::atomic<unsigned long> NextSerial{1};
  std::mutex LogLock;

  explicit TImpl(TIWServerOptions o) : Opt(std::move(o)) {}

  void Log(const std::string& line) {
    if (Opt.Log) {
      Opt.Log(line);
      return;
    }
    std::lock_guard<std::mutex> lk(LogLock);
    std::cout << "[" << Now() << "] " << line << std::endl;
  }

  // ---- Session table ----

  enum class TFound { Yes, Unknown, Busy };

  TFound Acquire(const std::string& token, std::shared_ptr<TSession>& out) {
    if (token.empty()) return TFound::Unknown;
    std::lock_guard<std::mutex> lk(MapLock);
    auto it = Sessions.find(token);
    if (it == Sessions.end()) return TFound::Unknown;
    if (static_cast<std::size_t>(it->second->Active) >= MaxRequestsPerSession) return TFound::Busy;
    ++it->second->Active;
    it->second->LastUse = Clock::now();
    out = it->second;
    return TFound::Yes;
  }

  void Release(TSession& s, bool onStartPage) {
    std::lock_guard<std::mutex> lk(MapLock);
    --s.Active;
    s.LastUse = Clock::now();
    s.OnStartPage = onStartPage;
  }

  // Keeps the session in use for a request; records on release whether it is still on its start page.
  struct TUse {
    TImpl& Impl;
    std::shared_ptr<TSession> S;
    bool OnStartPage = false;
    ~TUse() { Impl.Release(*S, OnStartPage); }
  };

  enum class TReserved { Yes, Busy, ClientFull };

  // Counts a session of the client out. The table's lock is held.
  void Uncount(const std::string& client) {
    auto it = ClientSessions.find(client);
    if (it != ClientSessions.end() && --it->second == 0) ClientSessions.erase(it);
  }

  // The oldest session on its start page and not in use that `mine` accepts; of those, the ones of
  // the client holding the most sessions come first. End of the table when there is none. The
  // table's lock is held.
  template <class TFilter>
  auto GiveWay(TFilter mine) {
    auto found = Sessions.end();
    std::size_t foundHeld = 0;
    for (auto it = Sessions.begin(); it != Sessions.end(); ++it) {
      const TSession& s = *it->second;
      if (!s.OnStartPage || s.Active != 0 || !mine(s)) continue;
      const auto count = ClientSessions.find(s.Client);
      const std::size_t held = count == ClientSessions.end() ? 0 : count->second;
      if (found == Sessions.end() || held > foundHeld || (held == foundHeld && s.Serial < found->second->Serial)) {
        found = it;
        foundHeld = held;
      }
    }
    return found;
  }

  void LogRefusal(const std::string& line) {
    const auto now = Clock::now();
    if (LastRefusalLog == Clock::time_point{} || now - LastRefusalLog >= RefusalLogInterval) {
      LastRefusalLog = now;
      Log(line);
    }
  }

  // Reserves a place for a new session of that client. A client at its cap makes way with its own
  // oldest start-page session, a full server with the oldest start-page session of the client
  // holding most; those sessions end before this returns. Busy or ClientFull when nothing can give way.
  TReserved ReserveSession(const std::string& remote) {
    const std::string client = ClientKey(remote);
    std::vector<std::shared_ptr<TSession>> ended;
    TReserved result = TReserved::Yes;
    {
      std::lock_guard<std::mutex> lk(MapLock);
      auto takeOut = [&](auto it) {
        Uncount(it->second->Client);
        ended.push_back(std::move(it->second));
        Sessions.erase(it);
      };
      auto held = ClientSessions.find(client);
      if (held != ClientSessions.end() && held->second >= Opt.MaxSessionsPerClient) {
        auto it = GiveWay([&](const TSession& s) { return s.Client == client; });
        if (it == Sessions.end()) {
          result = TReserved::ClientFull;
          LogRefusal("New sessions refused (the first for " + remote + "): " + std::to_string(held->second) +
                     " sessions of that client are open");
        } else {
          takeOut(it);
        }
      }
      if (result == TReserved::Yes && Sessions.size() + Starting >= Opt.MaxSessions) {
        auto it = GiveWay([](const TSession&) { return true; });
        if (it == Sessions.end()) {
          result = TReserved::Busy;
          LogRefusal("New sessions refused (the first for " + remote + "): " + std::to_string(Opt.MaxSessions) +
                     " sessions are open");
        } else {
          takeOut(it);
        }
      }
      if (result == TReserved::Yes) {
        ++Starting;
        ++ClientSessions[client];
      }
    }
    for (auto& s : ended) EndSession(*s, "on its start page, to make room for a new session");
    if (!ended.empty()) {
      std::lock_guard<std::mutex> lk(MapLock);
      GaveWay = true;
    }
    return result;
  }

  // A new session, in the table and in use; the new-session hook and the main form have run.
  // Its place must have been reserved.
  std::shared_ptr<TSession> NewSession(const std::string& remote, TIWRequest request, const TFormFactory* entry) {
    auto s = std::make_shared<TSession>();
    s->Token = NewRandomToken();
    s->Serial = NextSerial++;
    s->Remote = remote;
    s->Client = ClientKey(remote);
    s->App = std::make_unique<TIWApplication>();
    {
      TCurrentApplicationScope scope(s->App.get());
      s->App->BeginRequest(std::move(request), 0);
      try {
        if (Opt.OnNewSession) Opt.OnNewSession(*s->App);
        const auto& factory = entry ? *entry : Opt.MainForm ? Opt.MainForm : TIWAppForm::MainFormFactory();
        if (factory) {
          if (TIWAppForm* main = factory(*s->App)) {
            main->Show();
            // Only the main form is a start page that moves on by itself; an entry form (the
            // viewer) is read for as long as any other form.
            if (!entry) s->FirstFormKey = main->Key();
          }
        }
      } catch (const std::exception& e) {
        Log("Session could not be started: " + std::string(e.what()));
        s->App.reset();
        std::lock_guard<std::mutex> lk(MapLock);
        --Starting;
        Uncount(s->Client);
        throw;
      }
    }
    s->Active = 1;
    s->LastUse = Clock::now();
    {
      std::lock_guard<std::mutex> lk(MapLock);
      --Starting;
      Sessions.emplace(s->Token, s);
    }
    Log("Session " + std::to_string(s->Serial) + " started for " + s->Remote);
    return s;
  }

  void EndSession(TSession& s, const char* why) {
    {
      std::lock_guard<std::mutex> lk(s.Lock);
      TCurrentApplicationScope scope(s.App.get());
      s.App.reset();
    }
    Log("Session " + std::to_string(s.Serial) + " ended (" + why + ")");
  }

  std::chrono::milliseconds TimeoutOf(const TSession& s) const {
    return s.OnStartPage ? std::min(Opt.StartPageTimeout, Opt.SessionTimeout) : Opt.SessionTimeout;
  }

  void ReaperLoop() {
    const auto interval = std::clamp<std::chrono::milliseconds>(
        std::min(Opt.SessionTimeout, Opt.StartPageTimeout) / 10, std::chrono::milliseconds(10),
        std::chrono::milliseconds(1000));
    std::unique_lock<std::mutex> lk(MapLock);
    while (!Stopping) {
      ReaperWake.wait_for(lk, interval);
      if (Stopping) break;
      std::vector<std::shared_ptr<TSession>> expired;
      const auto now = Clock::now();
      for (auto it = Sessions.begin(); it != Sessions.end();) {
        if (it->second->Active == 0 && now - it->second->LastUse >= TimeoutOf(*it->second)) {
          Uncount(it->second->Client);
          expired.push_back(std::move(it->second));
          it = Sessions.erase(it);
        } else {
          ++it;
        }
      }
      // Sessions that gave way to new ones ended on request threads since the last round.
      const bool gaveWay = std::exchange(GaveWay, false);
      if (expired.empty() && !gaveWay) continue;
      lk.unlock();
      for (auto& s : expired) EndSession(*s, s->OnStartPage ? "time-out on the start page" : "time-out");
      expired.clear();
      // Hand the freed sessions' memory back to the system, so a burst of sessions does not keep
      // the process at its peak.
      malloc_trim(0);
      lk.lock();
    }
  }

  // ---- Requests ----

  static TIWRequest MakeRequest(const THttpRequest& req, const TForm& form) {
    TIWRequest r;
    r.RemoteAddr = req.RemoteAddr;
    // The page sends document.cookie with each event (see the page's script); a request without it
    // (the start page) carries the Cookie header.
    if (form.Has("ck")) {
      r.ParseCookieHeader(form.Value("ck"));
    } else {
      for (const http::THeader& h : req.Head.Headers)
        if (h.Name == "cookie") r.ParseCookieHeader(h.Value);
    }
    return r;
  }

  void Report(TIWApplication& app, const TSession& s, const std::string& what) {
    Log("Session " + std::to_string(s.Serial) + ": " + what);
    app.ShowMessage(what);
  }

  // Applies the page's values to the form and runs the event's handler. Answers whether the
  // event was asynchronous (then the form's render event is not raised for the reply).
  bool Dispatch(TIWApplication& app, const TForm& req, bool upload) {
    TIWAppForm* form = app.ActiveForm();
    // An event from a page that no longer shows the session's form only refreshes the page.
    if (!form || req.Value("fk") != std::to_string(form->Key())) return false;

    form->ForEachControl([&](TIWControl& c) {
      if (!c.HasValue()) return;
      const http::TFormField* f = req.Find("v" + std::to_string(c.Key()));
      if (!f) return;
      if (c.IsShowing() && c.AcceptsValue()) c.ApplyValue(f->Value);
    });

    const std::string type = req.Value("e");
    if (type.empty()) return false;
    if (type == "default") {
      if (form->OnDefaultAction) form->OnDefaultAction(nullptr);
      return false;
    }
    if (type == "formkey") {
      // Only the keys the form asked for reach it.
      const long long key = ToInt(req.Value("which"), -1);
      const rt::TShiftState shift = ShiftOf(req.Value("sh"));
      const long long wanted = key + ((shift & rt::ssCtrl) ? TIWAppForm::KeyCtrl : 0);
      if (form->OnKeyDown && key > 0 &&
          std::find(form->KeyPreview.begin(), form->KeyPreview.end(), wanted) != form->KeyPreview.end())
        form->OnKeyDown(form, static_cast<int>(key), shift);
      return false;
    }
    const long long key = ToInt(req.Value("c"), -1);
    TIWControl* c = key > 0 ? form->FindByKey(static_cast<std::uint64_t>(key)) : nullptr;
    // Hidden or disabled controls cannot be clicked: their events are dropped.
    if (!c || !c->Enabled || (!c->IsShowing() && !c->EventsWhenHidden())) return false;

    if (upload) {
      auto* uploader = dynamic_cast<TIWFileUploader*>(c);
      const http::TFormField* file = req.Find("file");
      if (!uploader || type != "upload" || !file) return false;
      if (file->Value.size() > Opt.UploadLimit) {
        app.ShowMessage(LimitText(Opt.UploadLimit));
        return false;
      }
      uploader->DeliverUpload(file->FileName, file->Value);
      return true;
    }
    TIWBrowserEvent e;
    e.Type = type;
    e.Which = req.Value("which");
    e.Row = static_cast<int>(ToInt(req.Value("r"), -1));
    e.Col = static_cast<int>(ToInt(req.Value("col"), -1));
    e.Item = static_cast<std::uint64_t>(std::max(0LL, ToInt(req.Value("i"), 0)));
    e.X = static_cast<int>(std::clamp(ToInt(req.Value("x"), -1), -1LL, static_cast<long long>(INT32_MAX)));
    e.Y = static_cast<int>(std::clamp(ToInt(req.Value("y"), -1), -1LL, static_cast<long long>(INT32_MAX)));
    e.Shift = ShiftOf(req.Value("sh"));
    c->HandleEvent(e);
    return c->IsAsyncEvent(e);
  }

  struct TRendered {
    std::string Title, Background, Html, FormKey;
  };

  TRendered RenderForm(TIWApplication& app, const TSession& s, bool raiseRender = true) {
    TRendered out;
    TIWAppForm* form = app.ActiveForm();
    if (!form) {
      out.Title = Opt.AppName;
      out.Html = "<div id=\"iwForm\"></div>";
      return out;
    }
    if (raiseRender && form->OnRender) {
      try {
        form->OnRender(form);
      } catch (const std::exception& e) {
        Report(app, s, e.what());
      }
      app.FlushReleased();
      form = app.ActiveForm();
      if (!form) return RenderForm(app, s);
    }
    THtml h(std::move(RenderMemory()));
    form->Render(h);
    out.Html = h.Take();
    out.Title = form->Title;
    out.Background = ColorToCss(form->Color);
    out.FormKey = std::to_string(form->Key());
    return out;
  }

  static std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i) out += ",";
      out += JsString(items[i]);
    }
    return out + "]";
  }

  // The reply's members other than the form's HTML.
  std::string ReplyFields(TIWApplication& app, const TSession& s, const TRendered& r) {
    std::vector<std::string> init = app.TakeInitProcs();
    if (TIWAppForm* form = app.ActiveForm()) {
      auto more = form->TakeInitProcs();
      init.insert(init.end(), more.begin(), more.end());
    }
    std::string out = "\"s\":" + JsString(s.Token) + ",\"fk\":" + JsString(r.FormKey) +
                      ",\"title\":" + JsString(r.Title) + ",\"bg\":" + JsString(r.Background) +
                      ",\"lim\":" + std::to_string(Opt.UploadLimit) + ",\"alerts\":" + JsonList(app.TakeMessages()) +
                      ",\"init\":" + JsonList(init);
    const std::string download = app.TakeDownload();
    if (!download.empty()) out += ",\"download\":" + JsString(download);
    return out;
  }

  std::string Page(TIWApplication& app, const TSession& s) {
    TRendered r = RenderForm(app, s);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                       HtmlEscape(r.Title) + "</title><style>" + ClientStyle() + "</style></head><body";
    if (!r.Background.empty()) page += " style=\"background-color:" + r.Background + "\"";
    page += ">" + r.Html + "<script src=\"/iw.js\"></script><script>IW.boot({" + ReplyFields(app, s, r) +
            "});</script></body></html>";
    KeepRenderMemory(std::move(r.Html));
    return page;
  }

  std::string Json(TIWApplication& app, TSession& s, bool raiseRender) {
    TRendered r = RenderForm(app, s, raiseRender);
    const std::string fields = ReplyFields(app, s, r);
    // Written once into memory of the size it will have (escaping adds about a tenth to a page).
    std::string out;
    out.reserve(ReplyHeadRoomBytes + fields.size() + 16 +
                std::max(s.LastReplyBytes, r.Html.size() + r.Html.size() / 4));
    out += "{\"html\":";
    AppendJsonString(out, r.Html);
    out += ',';
    out += fields;
    out += '}';
    s.LastReplyBytes = out.size();
    KeepRenderMemory(std::move(r.Html));
    return out;
  }

  void Serve(const THttpRequest& req, THttpResponse& res, bool page, bool upload, const TFormFactory* entry = nullptr) {
    TForm form;
    if (!page) {
      std::string error;
      if (!http::DecodeForm(req.Header("content-type"), req.Body, form.Fields, error)) {
        res.Status = 400;
        res.SetContent(error + ".", "text/plain; charset=utf-8");
        return;
      }
    }
    std::shared_ptr<TSession> s;
    if (page) {
      const TReserved reserved = ReserveSession(req.RemoteAddr);
      if (reserved != TReserved::Yes) {
        res.Status = 503;
        res.AddHeader("Retry-After", "120");
        res.AddHeader("Cache-Control", "no-store");
        if (reserved == TReserved::Busy) {
          res.SetContent(NoticePage(Opt.AppName, "The server is busy",
                                    "Too many people are using the program at the moment. Please try again in a few "
                                    "minutes.",
                                    "Try again"),
                         "text/html; charset=utf-8");
        } else {
          res.SetContent(NoticePage(Opt.AppName, "Too many sessions",
                                    "Too many of the program's windows are open from your network address. Close "
                                    "some of them, or try again in a few minutes.",
                                    "Try again"),
                         "text/html; charset=utf-8");
        }
        return;
      }
      try {
        s = NewSession(req.RemoteAddr, MakeRequest(req, form), entry);
      } catch (const std::exception& e) {
        res.Status = 500;
        res.SetContent("The session could not be started: " + std::string(e.what()), "text/plain; charset=utf-8");
        return;
      }
    } else {
      switch (Acquire(form.Value("s"), s)) {
        case TFound::Yes: break;
        case TFound::Unknown:
          res.Status = 410;
          res.AddHeader("Cache-Control", "no-store");
          res.SetContent(NoticePage(Opt.AppName, "Your session has ended",
                                    "It was left unused for too long, or the server has been restarted. Entries "
                                    "that were not saved are lost.",
                                    "Start again"),
                         "text/html; charset=utf-8");
          return;
        case TFound::Busy:
          res.Status = 503;
          res.SetContent("The server is still busy with this page's earlier requests. Please try again in a moment.",
                         "text/plain; charset=utf-8");
          return;
      }
    }
    TUse use{*this, s};
    std::lock_guard<std::mutex> lk(s->Lock);
    TIWApplication& app = *s->App;
    TCurrentApplicationScope scope(&app);
    bool async = false;
    if (!page) {
      app.BeginRequest(MakeRequest(req, form), static_cast<int>(ToInt(form.Value("w"), 0)));
      try {
        async = Dispatch(app, form, upload);
      } catch (const std::exception& e) {
        Report(app, *s, e.what());
      } catch (...) {
        Report(app, *s, "Unknown error");
      }
      app.FlushReleased();
    }
    std::string body;
    try {
      body = page ? Page(app, *s) : Json(app, *s, !async);
    } catch (const std::exception& e) {
      Log("Session " + std::to_string(s->Serial) + ": the page could not be rendered: " + e.what());
      res.Status = 500;
      res.SetContent("The page could not be rendered.", "text/plain; charset=utf-8");
    }
    const TIWAppForm* shown = app.ActiveForm();
    use.OnStartPage = shown && s->FirstFormKey != 0 && shown->Key() == s->FirstFormKey;
    if (res.Status == 500) return;
    for (const std::string& c : app.Response().Cookies.Headers()) res.AddHeader("Set-Cookie", c);
    res.AddHeader("Cache-Control", "no-store");
    res.SetContent(std::move(body), page ? "text/html; charset=utf-8" : "application/json; charset=utf-8");
  }

  void ServeFile(const THttpRequest& req, THttpResponse& res) {
    const std::filesystem::path file = StaticFile(Files, req.Path().substr(std::string("/files/").size()));
    std::error_code ec;
    const std::uintmax_t size = file.empty() ? 0 : std::filesystem::file_size(file, ec);
    std::string bytes;
    if (!file.empty() && !ec && size <= MaxStaticFileBytes) {
      std::ifstream in(file, std::ios::binary);
      bytes.resize(static_cast<std::size_t>(size));
      if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) ec = std::make_error_code(std::errc::io_error);
    }
    if (file.empty() || ec || size > MaxStaticFileBytes) {
      res.Status = 404;
      res.SetContent("Not found", "text/plain");
      return;
    }
    res.AddHeader("Cache-Control", "public, max-age=3600");
    res.SetContent(std::move(bytes), MimeType(file));
  }

  static bool IsCacheAddress(const std::string& path) {
    static const std::string prefix = "/cache/";
    if (path.size() != prefix.size() + 64 || path.compare(0, prefix.size(), prefix) != 0) return false;
    return std::all_of(path.begin() + static_cast<std::ptrdiff_t>(prefix.size()), path.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
  }

  void Handle(const THttpRequest& req, THttpResponse& res) {
    const std::string& path = req.Path();
    const bool get = req.Method() == "GET" || req.Method() == "HEAD";
    const bool post = req.Method() == "POST";
    auto wrongMethod = [&](const char* allow) {
      res.Status = 405;
      res.AddHeader("Allow", allow);
      res.SetContent("Method not allowed", "text/plain");
    };
    if (path == "/") {
      // HEAD would start a session nobody sees.
      if (req.Method() != "GET") return wrongMethod("GET");
      return Serve(req, res, true, false);
    }
    if (auto entry = Opt.EntryForms.find(path); entry != Opt.EntryForms.end() && path != "/") {
      if (req.Method() != "GET") return wrongMethod("GET");
      return Serve(req, res, true, false, &entry->second);
    }
    if (path == "/event" || path == "/upload") {
      if (!post) return wrongMethod("POST");
      return Serve(req, res, false, path == "/upload");
    }
    if (path == "/iw.js") {
      if (!get) return wrongMethod("GET, HEAD");
      res.AddHeader("Cache-Control", "no-cache");
      res.SetContent(ClientScript(), "text/javascript; charset=utf-8");
      return;
    }
    if (IsCacheAddress(path)) {
      if (!get) return wrongMethod("GET, HEAD");
      // HEAD (link previewers, download managers) answers the headers and leaves the file for the GET.
      const bool head = req.Method() == "HEAD";
      auto entry = head ? TIWAppCache::Peek(path.substr(7)) : TIWAppCache::Take(path.substr(7));
      if (!entry) {
        res.Status = 404;
        res.SetContent("Not found", "text/plain");
        return;
      }
      // A session picture's address never shows other bytes: the browser may keep it while the
      // page shows it again and again.
      res.AddHeader("Cache-Control", entry->Reusable ? "private, max-age=3600" : "no-store");
      if (!entry->Disposition.empty()) res.AddHeader("Content-Disposition", entry->Disposition);
      res.SetContent(std::move(entry->Bytes), entry->ContentType);
      if (head) res.HeadLength = static_cast<std::size_t>(entry->Size);
      return;
    }
    if (path.rfind("/files/", 0) == 0) {
      if (!get) return wrongMethod("GET, HEAD");
      return ServeFile(req, res);
    }
    res.Status = 404;
    res.SetContent("Not found", "text/plain");
  }

  THttpServerOptions HttpOptions() {
    THttpServerOptions h;
    h.Host = Opt.Host;
    h.Port = Opt.Port;
    h.Threads = Opt.Threads;
    h.MaxConnections = Opt.MaxConnections;
    h.MaxConnectionsPerClient = Opt.MaxConnectionsPerClient;
    h.MaxBytesInFlight = Opt.MaxBytesInFlight;
    h.MaxBytesInFlightPerClient = Opt.MaxBytesInFlightPerClient;
    h.HeadTimeout = Opt.HeadTimeout;
    h.RequestDeadline = Opt.RequestDeadline;
    h.DefaultHeaders = {{"X-Content-Type-Options", "nosniff"}};
    // An upload carries the page's entries and cookies besides the file.
    h.BodyLimit = [this](const http::TRequestHead& head) -> std::size_t {
      if (head.Method != "POST") return 0;
      return head.Path == "/upload" ? Opt.UploadLimit + MaxEventBytes : MaxEventBytes;
    };
    h.TooLarge = [this](const http::TRequestHead& head, std::size_t limit) {
      if (head.Method != "POST") return std::string("This address takes no request body.");
      return head.Path == "/upload" ? LimitText(Opt.UploadLimit) : EventLimitText(head.ContentLength, limit);
    };
    h.Handler = [this](const THttpRequest& req, THttpResponse& res) { Handle(req, res); };
    h.Log = [this](const std::string& line) { Log(line); };
    return h;
  }
};

TIWServer::TIWServer(TIWServerOptions options) : F(std::make_unique<TImpl>(std::move(options))) {
  F->Files = std::filesystem::path(F->Opt.WwwRoot) / "Files";
  std::error_code ec;
  if (!std::filesystem::is_directory(F->Files, ec))
    F->Log("Warning: the content folder " + F->Files.string() + " does not exist");
  F->Http = std::make_unique<THttpServer>(F->HttpOptions());
}

TIWServer::~TIWServer() { Stop(); }

int TIWServer::Start() {
  if (F->Started) return F->BoundPort;
  F->BoundPort = F->Http->Bind();
  F->Started = true;
  F->Http->Start();
  F->Log("At most " + std::to_string(F->Http->MaxConnections()) + " connections and " +
         std::to_string(F->Opt.MaxSessions) + " sessions at once");
  F->Reaper = std::thread([this] { F->ReaperLoop(); });
  return F->BoundPort;
}

void TIWServer::Stop() {
  if (!F->Started || F->Stopped) return;
  F->Stopped = true;
  F->Http->Stop();
  {
    std::lock_guard<std::mutex> lk(F->MapLock);
    F->Stopping = true;
  }
  F->ReaperWake.notify_all();
  if (F->Reaper.joinable()) F->Reaper.join();
  std::unordered_map<std::string, std::shared_ptr<TSession>> all;
  {
    std::lock_guard<std::mutex> lk(F->MapLock);
    all.swap(F->Sessions);
    F->ClientSessions.clear();
  }
  for (auto& [token, s] : all) F->EndSession(*s, "server stopped");
}

int TIWServer::Port() const { return F->BoundPort; }

std::size_t TIWServer::SessionCount() const {
  std::lock_guard<std::mutex> lk(F->MapLock);
  return F->Sessions.size();
}

std::size_t TIWServer::ConnectionCount() const { return F->Http->ConnectionCount(); }

std::size_t TIWServer::MaxConnections() const { return F->Http->MaxConnections(); }

std::size_t TIWServer::BytesInFlight() const { return F->Http->BytesInFlight(); }

}  // namespace web
