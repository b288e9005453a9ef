#include "platform/web/Server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"

namespace web {

namespace {

using Clock = std::chrono::steady_clock;

struct TSession {
  std::string Token;
  unsigned long Serial = 0;
  std::string Remote;
  // Held for the whole of one request, so one session's handlers never run at the same time.
  std::mutex Lock;
  std::unique_ptr<TIWApplication> App;
  // Guarded by the server's session-table lock.
  Clock::time_point LastUse;
  int Active = 0;
};

// Text field of a form-encoded or multipart request.
std::string Field(const httplib::Request& req, const char* name) {
  if (req.has_param(name)) return req.get_param_value(name);
  if (req.has_file(name)) return req.get_file_value(name).content;
  return {};
}

long long ToInt(const std::string& s, long long fallback) {
  try {
    std::size_t used = 0;
    const long long v = std::stoll(s, &used);
    return used == s.size() ? v : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
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

// The library listens with a backlog of 5, which drops connections when many browsers come at once.
class THttpServer : public httplib::Server {
public:
  void WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }
};

}  // namespace

struct TIWServer::TImpl {
  TIWServerOptions Opt;
  THttpServer Http;
  std::thread Listener, Reaper;
  int BoundPort = 0;
  bool Started = false, Stopped = false;

  mutable std::mutex MapLock;
  std::unordered_map<std::string, std::shared_ptr<TSession>> Sessions;
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

  std::shared_ptr<TSession> Acquire(const std::string& token) {
    if (token.empty()) return nullptr;
    std::lock_guard<std::mutex> lk(MapLock);
    auto it = Sessions.find(token);
    if (it == Sessions.end()) return nullptr;
    ++it->second->Active;
    it->second->LastUse = Clock::now();
    return it->second;
  }

  void Release(TSession& s) {
    std::lock_guard<std::mutex> lk(MapLock);
    --s.Active;
    s.LastUse = Clock::now();
  }

  struct TUse {
    TImpl& Impl;
    std::shared_ptr<TSession> S;
    ~TUse() { Impl.Release(*S); }
  };

  // A new session, in the table and in use; the new-session hook and the main form have run.
  std::shared_ptr<TSession> NewSession(const httplib::Request& req, TIWRequest request) {
    auto s = std::make_shared<TSession>();
    s->Token = NewRandomToken();
    s->Serial = NextSerial++;
    s->Remote = req.remote_addr;
    s->App = std::make_unique<TIWApplication>();
    {
      TCurrentApplicationScope scope(s->App.get());
      s->App->BeginRequest(std::move(request), 0);
      try {
        if (Opt.OnNewSession) Opt.OnNewSession(*s->App);
        const auto& factory = Opt.MainForm ? Opt.MainForm : TIWAppForm::MainFormFactory();
        if (factory) {
          if (TIWAppForm* main = factory(*s->App)) main->Show();
        }
      } catch (const std::exception& e) {
        Log("Session could not be started: " + std::string(e.what()));
        s->App.reset();
        throw;
      }
    }
    s->Active = 1;
    s->LastUse = Clock::now();
    {
      std::lock_guard<std::mutex> lk(MapLock);
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

  void ReaperLoop() {
    const auto interval = std::clamp<std::chrono::milliseconds>(Opt.SessionTimeout / 10, std::chrono::milliseconds(10),
                                                                std::chrono::milliseconds(1000));
    std::unique_lock<std::mutex> lk(MapLock);
    while (!Stopping) {
      ReaperWake.wait_for(lk, interval);
      if (Stopping) break;
      std::vector<std::shared_ptr<TSession>> expired;
      const auto now = Clock::now();
      for (auto it = Sessions.begin(); it != Sessions.end();) {
        if (it->second->Active == 0 && now - it->second->LastUse >= Opt.SessionTimeout) {
          expired.push_back(std::move(it->second));
          it = Sessions.erase(it);
        } else {
          ++it;
        }
      }
      if (expired.empty()) continue;
      lk.unlock();
      for (auto& s : expired) EndSession(*s, "time-out");
      expired.clear();
      lk.lock();
    }
  }

  // ---- Requests ----

  static TIWRequest MakeRequest(const httplib::Request& req) {
    TIWRequest r;
    r.RemoteAddr = req.remote_addr;
    // The HTTP library percent-decodes header values, which loses the cookies' wire text (a value's
    // "%3B" would split it); the page's script therefore sends document.cookie with each event.
    if (req.has_param("ck") || req.has_file("ck")) {
      r.ParseCookieHeader(Field(req, "ck"));
    } else {
      for (std::size_t i = 0, n = req.get_header_value_count("Cookie"); i < n; ++i)
        r.ParseCookieHeader(req.get_header_value("Cookie", i));
    }
    return r;
  }

  void Report(TIWApplication& app, const TSession& s, const std::string& what) {
    Log("Session " + std::to_string(s.Serial) + ": " + what);
    app.ShowMessage(what);
  }

  // Applies the page's values to the form and runs the event's handler. Answers whether the
  // event was asynchronous (then the form's render event is not raised for the reply).
  bool Dispatch(TIWApplication& app, const httplib::Request& req, bool upload) {
    TIWAppForm* form = app.ActiveForm();
    // An event from a page that no longer shows the session's form only refreshes the page.
    if (!form || Field(req, "fk") != std::to_string(form->Key())) return false;

    form->ForEachControl([&](TIWControl& c) {
      if (!c.HasValue()) return;
      const std::string name = "v" + std::to_string(c.Key());
      if (!req.has_param(name) && !req.has_file(name)) return;
      if (c.IsShowing() && c.AcceptsValue()) c.ApplyValue(Field(req, name.c_str()));
    });

    const std::string type = Field(req, "e");
    if (type.empty()) return false;
    if (type == "default") {
      if (form->OnDefaultAction) form->OnDefaultAction(nullptr);
      return false;
    }
    const long long key = ToInt(Field(req, "c"), -1);
    TIWControl* c = key > 0 ? form->FindByKey(static_cast<std::uint64_t>(key)) : nullptr;
    // Hidden or disabled controls cannot be clicked: their events are dropped.
    if (!c || !c->Enabled || (!c->IsShowing() && !c->EventsWhenHidden())) return false;

    if (upload) {
      auto* uploader = dynamic_cast<TIWFileUploader*>(c);
      if (!uploader || type != "upload" || !req.has_file("file")) return false;
      httplib::MultipartFormData file = req.get_file_value("file");
      if (file.content.size() > Opt.UploadLimit) {
        app.ShowMessage(LimitText(Opt.UploadLimit));
        return false;
      }
      uploader->DeliverUpload(file.filename, std::move(file.content));
      return true;
    }
    TIWBrowserEvent e;
    e.Type = type;
    e.Which = Field(req, "which");
    e.Row = static_cast<int>(ToInt(Field(req, "r"), -1));
    e.Col = static_cast<int>(ToInt(Field(req, "col"), -1));
    e.Item = static_cast<std::uint64_t>(std::max(0LL, ToInt(Field(req, "i"), 0)));
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
    THtml h;
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
    const TRendered r = RenderForm(app, s);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                       HtmlEscape(r.Title) + "</title><style>" + ClientStyle() + "</style></head><body";
    if (!r.Background.empty()) page += " style=\"background-color:" + r.Background + "\"";
    page += ">" + r.Html + "<script src=\"/iw.js\"></script><script>IW.boot({" + ReplyFields(app, s, r) +
            "});</script></body></html>";
    return page;
  }

  std::string Json(TIWApplication& app, const TSession& s, bool raiseRender) {
    const TRendered r = RenderForm(app, s, raiseRender);
    return "{\"html\":" + JsString(r.Html) + "," + ReplyFields(app, s, r) + "}";
  }

  void Serve(const httplib::Request& req, httplib::Response& res, bool page, bool upload) {
    std::shared_ptr<TSession> s = page ? nullptr : Acquire(Field(req, "s"));
    const bool fresh = !s;
    if (fresh) {
      try {
        s = NewSession(req, MakeRequest(req));
      } catch (const std::exception& e) {
        res.status = 500;
        res.set_content("The session could not be started: " + std::string(e.what()), "text/plain; charset=utf-8");
        return;
      }
    }
    TUse use{*this, s};
    std::lock_guard<std::mutex> lk(s->Lock);
    TIWApplication& app = *s->App;
    TCurrentApplicationScope scope(&app);
    bool async = false;
    if (!fresh) {
      app.BeginRequest(MakeRequest(req), static_cast<int>(ToInt(Field(req, "w"), 0)));
      try {
        async = Dispatch(app, req, upload);
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
      res.status = 500;
      res.set_content("The page could not be rendered.", "text/plain; charset=utf-8");
      return;
    }
    for (const std::string& c : app.Response().Cookies.Headers()) res.set_header("Set-Cookie", c);
    res.set_header("Cache-Control", "no-store");
    res.set_content(std::move(body), page ? "text/html; charset=utf-8" : "application/json; charset=utf-8");
  }

  void Routes() {
    Http.new_task_queue = [n = Opt.Threads] { return new httplib::ThreadPool(n); };
    Http.set_keep_alive_max_count(1000);
    Http.set_keep_alive_timeout(2);
    // Headers and body go out in separate writes: without this, delayed acknowledgements add ~40 ms.
    Http.set_tcp_nodelay(true);
    Http.set_payload_max_length(Opt.UploadLimit + 256 * 1024);
    Http.set_default_headers({{"X-Content-Type-Options", "nosniff"}});

    const std::filesystem::path files = std::filesystem::path(Opt.WwwRoot) / "Files";
    if (!Http.set_mount_point("/files", files.string(), {{"Cache-Control", "public, max-age=3600"}}))
      Log("Warning: the content folder " + files.string() + " does not exist");

    Http.Get("/", [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res, true, false); });
    Http.Post("/event", [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res, false, false); });
    Http.Post("/upload", [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res, false, true); });
    Http.Get("/iw.js", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Cache-Control", "no-cache");
      res.set_content(ClientScript(), "text/javascript; charset=utf-8");
    });
    Http.Get(R"(/cache/([0-9a-f]{64}))", [](const httplib::Request& req, httplib::Response& res) {
      auto entry = TIWAppCache::Take(req.matches[1]);
      if (!entry) {
        res.status = 404;
        res.set_content("Not found", "text/plain");
        return;
      }
      res.set_header("Cache-Control", "no-store");
      if (!entry->Disposition.empty()) res.set_header("Content-Disposition", entry->Disposition);
      res.set_content(std::move(entry->Bytes), entry->ContentType);
    });
    Http.set_exception_handler([this](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
      try {
        std::rethrow_exception(ep);
      } catch (const std::exception& e) {
        Log(std::string("Request failed: ") + e.what());
      } catch (...) {
        Log("Request failed");
      }
      res.status = 500;
      res.set_content("Internal error", "text/plain");
    });
    Http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (res.body.empty()) res.set_content("Error " + std::to_string(res.status), "text/plain");
    });
  }
};

TIWServer::TIWServer(TIWServerOptions options) : F(std::make_unique<TImpl>(std::move(options))) { F->Routes(); }

TIWServer::~TIWServer() { Stop(); }

int TIWServer::Start() {
  if (F->Started) return F->BoundPort;
  int port = F->Opt.Port;
  if (port == 0) {
    port = F->Http.bind_to_any_port(F->Opt.Host);
    if (port <= 0) throw rt::Exception("Cannot open a port on " + F->Opt.Host);
  } else if (!F->Http.bind_to_port(F->Opt.Host, port)) {
    throw rt::Exception("Cannot listen on port " + std::to_string(port) + " (is it in use?)");
  }
  F->Http.WidenBacklog();
  F->BoundPort = port;
  F->Started = true;
  F->Listener = std::thread([this] { F->Http.listen_after_bind(); });
  F->Reaper = std::thread([this] { F->ReaperLoop(); });
  // Stop() only reaches a server that is running.
  while (!F->Http.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return port;
}

void TIWServer::Stop() {
  if (!F->Started || F->Stopped) return;
  F->Stopped = true;
  F->Http.stop();
  if (F->Listener.joinable()) F->Listener.join();
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
  }
  for (auto& [token, s] : all) F->EndSession(*s, "server stopped");
}

int TIWServer::Port() const { return F->BoundPort; }

std::size_t TIWServer::SessionCount() const {
  std::lock_guard<std::mutex> lk(F->MapLock);
  return F->Sessions.size();
}

}  // namespace web
