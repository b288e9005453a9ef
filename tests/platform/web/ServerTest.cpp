#include "platform/web/Server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"
#include "platform/web/HttpParse.h"
#include "tests/platform/web/RawConn.h"

using namespace web;
using namespace std::chrono_literals;
using webtest::TRawConn;
using webtest::TRawReply;
using webtest::RawExchange;

namespace {

struct TTestData : TIWUserSessionBase {
  static inline std::atomic<int> Alive{0};
  int Clicks = 0;
  TTestData() { ++Alive; }
  ~TTestData() override { --Alive; }
};

// Requests inside the slow handler at once, and the most seen.
std::atomic<int> GInside{0}, GMaxInside{0};
std::mutex GUploadLock;
std::string GUploaded;
std::string GLastTempFile;
// How often the test form's render event has run.
std::atomic<int> GRenders{0};

struct TOtherForm : TIWAppForm {
  explicit TOtherForm(TIWApplication& app) : TIWAppForm(app) {
    Name = "OtherForm";
    Add<TIWButton>("BackButton")->OnClick = [this](TIWControl*) { Release(); };
  }
};

struct TTestForm : TIWAppForm {
  TIWLabel* Out;
  TIWEdit* NameEdit;

  explicit TTestForm(TIWApplication& app) : TIWAppForm(app) {
    Name = "TestForm";
    Title = "Test <form>";
    RenderInvisibleControls = true;
    Out = Add<TIWLabel>("Out");
    Out->Caption = "<b>\"start\" & 'go'</b>";
    NameEdit = Add<TIWEdit>("NameEdit");
    auto* locked = Add<TIWEdit>("LockedEdit");
    locked->Enabled = false;
    locked->Text = "fixed";

    auto count = [this](TIWControl*) {
      auto* data = static_cast<TTestData*>(WebApplication()->Data());
      Out->Caption = std::to_string(++data->Clicks);
    };
    Add<TIWButton>("CountButton")->OnClick = count;
    auto* hidden = Add<TIWButton>("HiddenButton");
    hidden->OnClick = count;
    hidden->Visible = false;
    auto* disabled = Add<TIWButton>("DisabledButton");
    disabled->OnClick = count;
    disabled->Enabled = false;
    auto* hiddenRegion = Add<TIWRegion>("HiddenRegion");
    hiddenRegion->Visible = false;
    Add<TIWButton>("InHiddenRegion", hiddenRegion)->OnClick = count;

    Add<TIWButton>("EchoButton")->OnClick = [this](TIWControl*) {
      Out->Caption = NameEdit->Text;
      WebApplication()->ShowMessage(NameEdit->Text);
      AddToInitProc("window.echoed = " + JsString(NameEdit->Text) + ";");
    };
    Add<TIWButton>("FailButton")->OnClick = [](TIWControl*) {
      throw rt::EConvertError("'abc' is not a valid floating point value");
    };
    Add<TIWButton>("SlowButton")->OnClick = [](TIWControl*) {
      const int now = ++GInside;
      int seen = GMaxInside.load();
      while (now > seen && !GMaxInside.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(150ms);
      --GInside;
    };
    Add<TIWButton>("DownloadButton")->OnClick = [this](TIWControl*) {
      rt::TStringStream stream("1;2;3");
      stream.Seek(0, rt::soEnd);
      WebApplication()->SendStream(stream, false, "application/vxs", NameEdit->Text);
    };
    Add<TIWButton>("CacheButton")->OnClick = [this](TIWControl*) {
      GLastTempFile = TIWAppCache::NewTempFileName();
      std::ofstream(GLastTempFile, std::ios::binary) << "%PDF-1.4 test";
      Out->Caption = TIWAppCache::AddFileToCache(WebApplication(), GLastTempFile, ctOneTime, TIWMimeTypes::mtPDF);
    };
    Add<TIWButton>("CookieButton")->OnClick = [this](TIWControl*) {
      std::string all;
      for (const auto& f : WebApplication()->Request().CookieFields()) all += f + "|";
      Out->Caption = all;
      WebApplication()->Response().Cookies.AddCookie("UserFluid1", "Oil, light", "C:\\temp",
                                                    std::chrono::system_clock::from_time_t(1893456000), false,
                                                    false, ssoNone);
    };
    auto* uploader = Add<TIWFileUploader>("Loadfileedit");
    uploader->OnAsyncUploadCompleted = [this](TIWControl* sender, std::string& dest, const std::string& fileName,
                                              bool& save, bool&) {
      save = false;
      std::lock_guard<std::mutex> lk(GUploadLock);
      rt::TStringStream stream;
      static_cast<TIWFileUploader*>(sender)->SaveToStream(fileName, stream);
      GUploaded = stream.DataString();
      Out->Caption = fileName + ":" + std::to_string(GUploaded.size()) + ":" + dest;
    };
    auto* timer = Add<TIWTimer>("IWTimer1");
    timer->Interval = 5000;
    timer->OnTimer = [this](TIWControl*) { Out->Caption = "timer"; };
    auto* keyEdit = Add<TIWEdit>("P1MinEdit");
    keyEdit->OnAsyncKeyDown = [this](TIWControl*, const TIWEventParams& p) {
      Out->Caption = p.Values("IW_Action") + "/" + p.Values("Which") + "/" + p.Names(0) + "=" + p.ValueFromIndex(0);
    };
    auto* grid = Add<TIWGrid>("ValidGrid");
    grid->SetRowCount(4);
    grid->SetColumnCount(3);
    grid->OnCellClick = [this](TIWControl*, int r, int c) { Out->Caption = std::to_string(r) + "," + std::to_string(c); };
    auto* combo = Add<TIWComboBox>("FlowCombo");
    combo->Items = {"gpm", "m3/h"};
    combo->OnChange = [this](TIWControl* s) { Out->Caption = static_cast<TIWComboBox*>(s)->Text(); };
    auto* menu = Add<TIWMainMenu>("MainMenu1");
    auto* file = menu->Add("File1", "File");
    file->Add("SaveAsMenuItem", "Save Sizing")->OnClick = [this](TIWControl*) { Out->Caption = "save"; };
    auto* secret = file->Add("SecretItem", "Secret");
    secret->Visible = false;
    secret->OnClick = [this](TIWControl*) { Out->Caption = "secret"; };
    Add<TIWButton>("StackButton")->OnClick = [this](TIWControl*) {
      pthread_attr_t attr;
      std::size_t size = 0;
      if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
      }
      Out->Caption = std::to_string(size);
    };
    Add<TIWButton>("NextButton")->OnClick = [this](TIWControl*) { Application().CreateForm<TOtherForm>()->Show(); };
    auto* picture = Add<TIWImage>("PageImage");
    picture->OnMouseDown = [this](TIWControl*, int x, int y, rt::TShiftState shift) {
      Out->Caption = "at " + std::to_string(x) + "," + std::to_string(y) + ((shift & rt::ssCtrl) ? " ctrl" : "");
    };
    auto* tree = Add<TIWTreeView>("OutlineTree");
    tree->Add("Page 1", 1)->Add("Results", 2);
    tree->OnClick = [this](TIWControl*, TIWTreeNode* n) { Out->Caption = "node " + n->Text; };
    Add<TIWButton>("PictureButton")->OnClick = [this](TIWControl*) {
      Out->Caption = TIWAppCache::AddSessionBytes(WebApplication(), "PNGBYTES", "image/png");
    };
    KeyPreview = {34, 70 + KeyCtrl};
    OnKeyDown = [this](TIWAppForm*, int key, rt::TShiftState shift) {
      Out->Caption = "key " + std::to_string(key) + ((shift & rt::ssCtrl) ? " ctrl" : "");
    };
    auto* pages = Add<TIWRegion>("PagesRegion");
    pages->ScrollBars = true;
    pages->OnScroll = [this](TIWControl*, int x, int y) { Out->Caption = "scrolled " + std::to_string(x) + "," + std::to_string(y); };
    OnDefaultAction = [this](TIWControl*) { Out->Caption = "default"; };
    OnRender = [](TIWAppForm*) { ++GRenders; };
  }
};

// Decodes the JSON string literal that starts at pos (the opening quote).
std::string JsonString(const std::string& s, std::size_t pos, std::size_t* end = nullptr) {
  std::string out;
  std::size_t i = pos + 1;
  for (; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    const char e = s[++i];
    switch (e) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        const unsigned cp = static_cast<unsigned>(std::stoul(s.substr(i + 1, 4), nullptr, 16));
        if (cp < 0x80) {
          out += static_cast<char>(cp);
        } else {
          out += "?";
        }
        i += 4;
        break;
      }
      default: out += e;
    }
  }
  if (end) *end = i + 1;
  return out;
}

std::string JsonField(const std::string& body, const std::string& name) {
  const auto p = body.find("\"" + name + "\":\"");
  if (p == std::string::npos) return {};
  return JsonString(body, p + name.size() + 3);
}

std::vector<std::string> JsonList(const std::string& body, const std::string& name) {
  std::vector<std::string> out;
  auto p = body.find("\"" + name + "\":[");
  if (p == std::string::npos) return out;
  p += name.size() + 4;
  while (p < body.size() && body[p] == '"') {
    std::size_t end = 0;
    out.push_back(JsonString(body, p, &end));
    p = end;
    if (p < body.size() && body[p] == ',') ++p;
  }
  return out;
}

// A browser as the tests need it: opens the start page and sends events like the page's script.
class TBrowser {
public:
  explicit TBrowser(int port) : FCli("127.0.0.1", port) { FCli.set_read_timeout(20, 0); }

  void Open() {
    auto r = FCli.Get("/");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200);
    Body = r->body;
    Html = Body;
    Token = Extract(Body, R"re(IW\.boot\(\{"s":"([0-9a-f]+)","fk":"(\d+)")re", 1);
    FormKey = Extract(Body, R"re(IW\.boot\(\{"s":"([0-9a-f]+)","fk":"(\d+)")re", 2);
  }

  std::string Key(const std::string& name) const { return Extract(Html, "id=\"" + name + "\" data-k=\"(\\d+)\"", 1); }
  std::string Out() const { return Extract(Html, R"(<span id="Out"[^>]*>([^<]*)</span>)", 1); }
  std::string FormName() const { return Extract(Html, R"re(<div id="iwForm" data-form="(\w*)")re", 1); }

  // Posts an event of the named control (empty type: a refresh) with the given page values.
  httplib::Result Post(const std::string& type, const std::string& control, httplib::Params extra = {},
                       const std::string& token = {}) {
    httplib::Params p = std::move(extra);
    p.emplace("s", token.empty() ? Token : token);
    p.emplace("fk", FormKey);
    p.emplace("w", "1280");
    if (!type.empty()) p.emplace("e", type);
    if (!control.empty()) p.emplace("c", Key(control));
    auto r = FCli.Post("/event", p);
    Take(r);
    return r;
  }

  httplib::Result Upload(const std::string& control, const std::string& fileName, const std::string& content) {
    httplib::MultipartFormDataItems items = {
        {"s", Token, "", ""}, {"fk", FormKey, "", ""}, {"e", "upload", "", ""}, {"c", Key(control), "", ""},
        {"file", content, fileName, "application/octet-stream"}};
    auto r = FCli.Post("/upload", items);
    Take(r);
    return r;
  }

  httplib::Client& Client() { return FCli; }
  std::string Value(const std::string& name) const { return "v" + Key(name); }

  std::string Token, FormKey, Html, Body;
  std::vector<std::string> Alerts, Init;
  std::string Download;

private:
  void Take(const httplib::Result& r) {
    if (!r || r->status != 200) return;
    Body = r->body;
    Html = JsonField(Body, "html");
    Token = JsonField(Body, "s");
    FormKey = JsonField(Body, "fk");
    Alerts = JsonList(Body, "alerts");
    Init = JsonList(Body, "init");
    Download = JsonField(Body, "download");
  }

  static std::string Extract(const std::string& text, const std::string& re, int group) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(re))) return {};
    return m[group];
  }

  httplib::Client FCli;
};

class WebServer : public ::testing::Test {
protected:
  void StartServer(std::chrono::milliseconds timeout = 10min, std::string wwwroot = ZENTOR_WWWROOT) {
    TIWServerOptions o;
    o.Host = "127.0.0.1";
    o.Port = 0;
    o.WwwRoot = std::move(wwwroot);
    o.SessionTimeout = timeout;
    o.Threads = 8;
    o.OnNewSession = [this](TIWApplication& app) {
      app.SetData(std::make_unique<TTestData>());
      if (!NewSessionMessage.empty()) app.ShowMessage(NewSessionMessage);
    };
    o.MainForm = [](TIWApplication& app) { return app.CreateForm<TTestForm>(); };
    o.Log = [this](const std::string& line) {
      std::lock_guard<std::mutex> lk(LogLock);
      LogLines.push_back(line);
    };
    if (Tweak) Tweak(o);
    Server = std::make_unique<TIWServer>(o);
    Port = Server->Start();
  }
  void TearDown() override {
    if (Server) Server->Stop();
    EXPECT_EQ(TTestData::Alive, 0) << "every session's data is freed when the server stops";
  }

  std::unique_ptr<TIWServer> Server;
  int Port = 0;
  std::string NewSessionMessage;
  std::function<void(TIWServerOptions&)> Tweak;
  std::mutex LogLock;
  std::vector<std::string> LogLines;
};

}  // namespace

TEST_F(WebServer, EachBrowserGetsItsOwnSessionAndData) {
  StartServer();
  TBrowser a(Port), b(Port);
  a.Open();
  b.Open();
  EXPECT_NE(a.Token, b.Token);
  EXPECT_EQ(TTestData::Alive, 2);
  EXPECT_EQ(Server->SessionCount(), 2u);
  a.Post("click", "CountButton");
  a.Post("click", "CountButton");
  b.Post("click", "CountButton");
  EXPECT_EQ(a.Out(), "2");
  EXPECT_EQ(b.Out(), "1");
  std::lock_guard<std::mutex> lk(LogLock);
  EXPECT_EQ(std::count_if(LogLines.begin(), LogLines.end(),
                          [](const std::string& l) { return l.find("started") != std::string::npos; }),
            2);
  for (const auto& l : LogLines) EXPECT_EQ(l.find(a.Token), std::string::npos) << "tokens stay out of the log";
}

TEST_F(WebServer, OneSessionsRequestsNeverOverlapWhileSessionsRunInParallel) {
  StartServer();
  struct Case {
    const char* what;
    bool sameSession;
    int expectedMax;
  } cases[] = {{"one session", true, 1}, {"two sessions", false, 2}};
  for (const auto& c : cases) {
    TBrowser a(Port), b(Port);
    a.Open();
    b.Open();
    const std::string tokenB = c.sameSession ? a.Token : b.Token;
    GInside = 0;
    GMaxInside = 0;
    auto one = std::async(std::launch::async, [&] { return a.Post("click", "SlowButton")->status; });
    auto two = std::async(std::launch::async, [&] {
      TBrowser other(Port);
      other.FormKey = c.sameSession ? a.FormKey : b.FormKey;
      other.Html = c.sameSession ? a.Html : b.Html;
      return other.Post("click", "SlowButton", {}, tokenB)->status;
    });
    EXPECT_EQ(one.get(), 200);
    EXPECT_EQ(two.get(), 200);
    EXPECT_EQ(GMaxInside, c.expectedMax) << c.what;
  }
}

TEST_F(WebServer, IdleTimeOutFreesTheSessionAndItsEventsGetTheSessionEndedPage) {
  StartServer(300ms);
  TBrowser a(Port);
  a.Open();
  a.Post("click", "NextButton");
  ASSERT_EQ(TTestData::Alive, 1);
  for (int i = 0; i < 300 && TTestData::Alive > 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(TTestData::Alive, 0);
  EXPECT_EQ(Server->SessionCount(), 0u);

  auto r = a.Post("click", "BackButton");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 410);
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_NE(r->body.find("Your session has ended"), std::string::npos);
  EXPECT_NE(r->body.find("<a href=\"/\">Start again</a>"), std::string::npos);
  EXPECT_EQ(TTestData::Alive, 0) << "an event of an ended session starts none";
}

TEST_F(WebServer, ActiveSessionsOutliveTheTimeOut) {
  // Clicks 100 ms apart for twice the time-out: the gaps leave a wide margin for a loaded
  // machine, while the session as a whole lives well past one time-out.
  StartServer(1s);
  TBrowser a(Port);
  a.Open();
  const auto Start = std::chrono::steady_clock::now();
  int Clicks = 0;
  while (std::chrono::steady_clock::now() - Start < 2s) {
    std::this_thread::sleep_for(100ms);
    a.Post("click", "CountButton");
    ++Clicks;
  }
  EXPECT_EQ(a.Out(), std::to_string(Clicks));
}

TEST_F(WebServer, UnknownTokensGetTheSessionEndedPageAndStartNoSession) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("click", "CountButton");
  for (const std::string& bogus : {std::string(64, '0'), std::string("1"), std::string("../x"), std::string()}) {
    for (const char* address : {"/event", "/upload"}) {
      httplib::Client cli("127.0.0.1", Port);
      auto r = cli.Post(address, httplib::Params{{"s", bogus}, {"fk", a.FormKey}, {"e", "click"}});
      ASSERT_TRUE(r);
      EXPECT_EQ(r->status, 410) << bogus << address;
      EXPECT_NE(r->body.find("Your session has ended"), std::string::npos);
    }
  }
  EXPECT_EQ(Server->SessionCount(), 1u);
  a.Post("click", "CountButton");
  EXPECT_EQ(a.Out(), "2") << "the real session is untouched";
}

TEST_F(WebServer, TextIsEscapedInPagesAndScripts) {
  NewSessionMessage = "</script><script>alert('boot')</script>";
  StartServer();
  TBrowser a(Port);
  a.Open();
  EXPECT_NE(a.Body.find("<title>Test &lt;form&gt;</title>"), std::string::npos);
  EXPECT_NE(a.Body.find("&lt;b&gt;&quot;start&quot; &amp; &#39;go&#39;&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(a.Body.find("alert('boot')"), std::string::npos);
  // The page's only script end tags are those of its own two scripts.
  std::size_t ends = 0;
  for (auto p = a.Body.find("</script>"); p != std::string::npos; p = a.Body.find("</script>", p + 1)) ++ends;
  EXPECT_EQ(ends, 2u);

  const std::string evil = "</script><script>alert(1)</script>";
  auto r = a.Post("click", "EchoButton", {{a.Value("NameEdit"), evil}});
  ASSERT_TRUE(r);
  EXPECT_EQ(a.Out(), "&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt;");
  EXPECT_EQ(a.Body.find(evil), std::string::npos) << "the typed markup travels only escaped";
  // The form's own markup travels in a JSON string; the reply is JSON that no browser may take
  // for a page.
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/json; charset=utf-8");
  EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff");
  ASSERT_EQ(a.Alerts.size(), 1u);
  EXPECT_EQ(a.Alerts[0], evil);
  ASSERT_EQ(a.Init.size(), 1u);
  EXPECT_EQ(a.Init[0], "window.echoed = " + JsString(evil) + ";");
}

TEST_F(WebServer, ValuesAndEventsReachOnlyShowingEnabledControls) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  const std::string initial = a.Out();
  for (const char* ignored : {"HiddenButton", "DisabledButton", "InHiddenRegion"}) {
    a.Post("click", ignored);
    EXPECT_EQ(a.Out(), initial) << ignored;
  }
  a.Post("click", "CountButton");
  EXPECT_EQ(a.Out(), "1");
  // A disabled edit keeps its text whatever the page sends.
  a.Post("", "", {{a.Value("LockedEdit"), "changed"}, {a.Value("NameEdit"), "typed"}});
  EXPECT_NE(a.Html.find("value=\"fixed\""), std::string::npos);
  EXPECT_NE(a.Html.find("value=\"typed\""), std::string::npos);
}

TEST_F(WebServer, EventsOfEachKindRunTheirHandlers) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("key", "P1MinEdit", {{a.Value("P1MinEdit"), "12a"}, {"which", "65"}});
  EXPECT_EQ(a.Out(), "P1MINEDIT/65/P1MinEdit=12a");
  a.Post("cell", "ValidGrid", {{"r", "3"}, {"col", "2"}});
  EXPECT_EQ(a.Out(), "3,2");
  a.Post("cell", "ValidGrid", {{"r", "4"}, {"col", "0"}});
  EXPECT_EQ(a.Out(), "3,2") << "a cell outside the grid is ignored";
  a.Post("change", "FlowCombo", {{a.Value("FlowCombo"), "1"}});
  EXPECT_EQ(a.Out(), "m3/h");
  a.Post("timer", "IWTimer1");
  EXPECT_EQ(a.Out(), "timer");
  a.Post("default", "");
  EXPECT_EQ(a.Out(), "default");

  const std::string saveKey = [&] {
    std::smatch m;
    std::regex_search(a.Html, m, std::regex(R"re(id="SaveAsMenuItem" data-item="(\d+)")re"));
    return std::string(m[1]);
  }();
  ASSERT_FALSE(saveKey.empty());
  EXPECT_EQ(a.Html.find("SecretItem"), std::string::npos);
  a.Post("menu", "MainMenu1", {{"i", saveKey}});
  EXPECT_EQ(a.Out(), "save");
  // The hidden item's key is the one after the visible item's.
  a.Post("click", "CountButton");
  a.Post("menu", "MainMenu1", {{"i", std::to_string(std::stoull(saveKey) + 1)}});
  EXPECT_EQ(a.Out(), "1");
}

TEST_F(WebServer, AsynchronousEventsDoNotRaiseTheFormsRenderEvent) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  const int opened = GRenders;
  a.Post("key", "P1MinEdit", {{a.Value("P1MinEdit"), "12"}, {"which", "50"}});
  EXPECT_EQ(a.Out(), "P1MINEDIT/50/P1MinEdit=12") << "the reply still shows what the handler changed";
  a.Upload("Loadfileedit", "sizing.kvs", "1;2");
  EXPECT_EQ(GRenders, opened) << "key strokes and uploads answer without the render event";
  a.Post("click", "CountButton");
  a.Post("timer", "IWTimer1");
  a.Post("", "");
  EXPECT_EQ(GRenders, opened + 3) << "clicks, timers and refreshes render the form";
}

TEST_F(WebServer, HandlersRunOnAStackOfKnownSize) {
  // A process whose threads get 1 MiB by default, as under many service managers.
  pthread_attr_t saved, small;
  pthread_getattr_default_np(&saved);
  pthread_attr_init(&small);
  pthread_attr_setstacksize(&small, 1024 * 1024);
  pthread_setattr_default_np(&small);
  StartServer();
  pthread_setattr_default_np(&saved);
  pthread_attr_destroy(&small);
  pthread_attr_destroy(&saved);
  TBrowser a(Port);
  a.Open();
  a.Post("click", "StackButton");
  EXPECT_GE(std::stoull(a.Out()), 8u * 1024 * 1024) << "deep report scripts need it, whatever the thread default";
}

TEST_F(WebServer, HandlerErrorsBecomeMessagesAndTheSessionGoesOn) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  auto r = a.Post("click", "FailButton");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  ASSERT_EQ(a.Alerts.size(), 1u);
  EXPECT_EQ(a.Alerts[0], "'abc' is not a valid floating point value");
  a.Post("click", "CountButton");
  EXPECT_EQ(a.Out(), "1");
  EXPECT_TRUE(a.Alerts.empty()) << "messages are sent once";
}

TEST_F(WebServer, FormsChangeAndEventsOfAFormNoLongerShownAreDropped) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  const std::string testKey = a.FormKey, testHtml = a.Html;
  a.Post("click", "NextButton");
  EXPECT_EQ(a.FormName(), "OtherForm");
  // A stale page of the first form: its click must not run on the form now shown.
  TBrowser stale(Port);
  stale.Html = testHtml;
  stale.FormKey = testKey;
  stale.Post("click", "CountButton", {}, a.Token);
  EXPECT_EQ(stale.FormName(), "OtherForm");
  a.Post("click", "BackButton");
  EXPECT_EQ(a.FormName(), "TestForm");
  EXPECT_EQ(a.Out(), "&lt;b&gt;&quot;start&quot; &amp; &#39;go&#39;&lt;/b&gt;");
}

TEST_F(WebServer, UploadsAreCappedAndHandedOverAsBytes) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  const std::size_t limit = 1024 * 1024;
  struct Case {
    std::size_t size;
    int status;
    bool accepted;
  } cases[] = {{0, 200, true}, {limit, 200, true}, {limit + 1, 200, false}, {limit + MaxEventBytes, 413, false}};
  for (const auto& c : cases) {
    {
      std::lock_guard<std::mutex> lk(GUploadLock);
      GUploaded = "none";
    }
    std::string content(c.size, 'x');
    if (!content.empty()) content[0] = '\0';
    auto r = a.Upload("Loadfileedit", "../../sizing.kvs", content);
    ASSERT_TRUE(r) << c.size;
    EXPECT_EQ(r->status, c.status) << c.size;
    std::lock_guard<std::mutex> lk(GUploadLock);
    if (c.accepted) {
      EXPECT_EQ(GUploaded, content) << c.size;
      EXPECT_EQ(a.Out(), "../../sizing.kvs:" + std::to_string(c.size) + ":") << "kept in memory, no destination";
    } else {
      EXPECT_EQ(GUploaded, "none") << c.size;
    }
    if (c.status == 200 && !c.accepted) {
      ASSERT_EQ(a.Alerts.size(), 1u);
      EXPECT_EQ(a.Alerts[0], "The file is too large to upload (at most 1024 KiB).");
    }
    if (c.status == 413) {
      EXPECT_EQ(r->body, "The file is too large to upload (at most 1024 KiB).") << "refused before its body is read";
    }
  }
}

TEST_F(WebServer, DownloadsCarryACleanedFileName) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("click", "DownloadButton", {{a.Value("NameEdit"), "../my\r\n\"sizing\".kvs"}});
  ASSERT_EQ(a.Download.rfind("/cache/", 0), 0u);
  auto r = a.Client().Get(a.Download);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "1;2;3");
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/vxs");
  EXPECT_EQ(r->get_header_value("Content-Disposition"), "inline; filename=\"mysizing.kvs\"");
}

TEST_F(WebServer, OneTimeTemporaryFilesAreServedOnceThenGone) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("click", "CacheButton");
  const std::string url = a.Out();
  ASSERT_TRUE(std::regex_match(url, std::regex("/cache/[0-9a-f]{64}"))) << url;
  auto first = a.Client().Get(url);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  EXPECT_EQ(first->body, "%PDF-1.4 test");
  EXPECT_EQ(first->get_header_value("Content-Type"), "application/pdf");
  EXPECT_FALSE(std::filesystem::exists(GLastTempFile));
  auto second = a.Client().Get(url);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->status, 404);

  // A file never fetched goes with its session.
  a.Post("click", "CacheButton");
  ASSERT_TRUE(std::filesystem::exists(GLastTempFile));
  Server->Stop();
  EXPECT_FALSE(std::filesystem::exists(GLastTempFile));
  auto dead = httplib::Client("127.0.0.1", Port).Get(a.Out());
  EXPECT_FALSE(dead && dead->status == 200);
}

TEST_F(WebServer, SessionPicturesAreServedUntilRemovedOrTheSessionEnds) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("click", "PictureButton");
  const std::string url = a.Out();
  ASSERT_TRUE(std::regex_match(url, std::regex("/cache/[0-9a-f]{64}"))) << url;
  for (int i = 0; i < 2; ++i) {
    auto r = a.Client().Get(url);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "PNGBYTES");
    EXPECT_EQ(r->get_header_value("Cache-Control"), "private, max-age=3600");
  }
  TIWAppCache::Remove(url);
  auto gone = a.Client().Get(url);
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->status, 404);
  a.Post("click", "PictureButton");
  Server->Stop();
  auto dead = httplib::Client("127.0.0.1", Port).Get(a.Out());
  EXPECT_FALSE(dead && dead->status == 200);
}

TEST_F(WebServer, PictureClicksTreeNodesAndFormKeysReachTheirHandlers) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  EXPECT_NE(a.Html.find("data-keys=\"34,65606\""), std::string::npos) << a.Html;
  a.Post("click", "PageImage", {{"x", "120"}, {"y", "45"}, {"sh", "c"}});
  EXPECT_EQ(a.Out(), "at 120,45 ctrl");
  a.Post("click", "PageImage", {{"x", "abc"}});
  EXPECT_EQ(a.Out(), "at 120,45 ctrl") << "a click without its point is dropped";

  const std::string nodeKey = [&] {
    std::smatch m;
    std::regex_search(a.Html, m, std::regex(R"re(data-toggle="1">[^<]*</span><span class="iwNode" data-node="(\d+)">Page 1)re"));
    return std::string(m[1]);
  }();
  ASSERT_FALSE(nodeKey.empty()) << a.Html;
  a.Post("toggle", "OutlineTree", {{"i", nodeKey}});
  EXPECT_NE(a.Html.find(">Results</span>"), std::string::npos) << "the opened node shows its children";
  a.Post("node", "OutlineTree", {{"i", nodeKey}});
  EXPECT_EQ(a.Out(), "node Page 1");
  a.Post("scroll", "PagesRegion", {{"x", "0"}, {"y", "1200"}});
  EXPECT_EQ(a.Out(), "scrolled 0,1200");
  EXPECT_NE(a.Html.find("data-sl=\"0\" data-st=\"1200\""), std::string::npos) << "the reply keeps the region where it was scrolled";

  struct Case {
    const char* which;
    const char* shift;
    const char* expected;
  } cases[] = {{"34", "", "key 34"}, {"70", "c", "key 70 ctrl"}, {"70", "", "key 70 ctrl"}, {"35", "", "key 70 ctrl"}};
  for (const Case& c : cases) {
    a.Post("formkey", "", {{"which", c.which}, {"sh", c.shift}});
    EXPECT_EQ(a.Out(), c.expected) << c.which << c.shift << ": only the keys the form asked for reach it";
  }
}

TEST_F(WebServer, EntryAddressesStartSessionsOnTheirOwnForm) {
  Tweak = [](TIWServerOptions& o) {
    o.EntryForms["/other"] = [](TIWApplication& app) { return app.CreateForm<TOtherForm>(); };
  };
  StartServer();
  httplib::Client cli("127.0.0.1", Port);
  auto r = cli.Get("/other");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_NE(r->body.find("data-form=\"OtherForm\""), std::string::npos);
  EXPECT_EQ(Server->SessionCount(), 1u);
  auto post = cli.Post("/other", "", "text/plain");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->status, 405);
  TBrowser a(Port);
  a.Open();
  EXPECT_EQ(a.FormName(), "TestForm") << "the root still starts on the main form";
}

TEST_F(WebServer, AnEntryFormIsNoStartPageThatEndsSooner) {
  Tweak = [](TIWServerOptions& o) {
    o.StartPageTimeout = 200ms;
    o.EntryForms["/other"] = [](TIWApplication& app) { return app.CreateForm<TOtherForm>(); };
  };
  StartServer();
  httplib::Client cli("127.0.0.1", Port);
  ASSERT_TRUE(cli.Get("/other"));
  TBrowser a(Port);
  a.Open();
  EXPECT_EQ(Server->SessionCount(), 2u);
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Server->SessionCount(), 1u) << "the main form's start page ends; the entry form's session stays";
}

TEST_F(WebServer, CookiesAreReadFromTheRequestAndWrittenWithTheReply) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  // The page sends the browser's cookies as they stand (document.cookie).
  auto r = a.Post("click", "CookieButton", {{"ck", "UserFluid1=Oil%2C+light; UserPreference=%3B-1%3B0"}});
  ASSERT_TRUE(r);
  EXPECT_EQ(a.Out(), "UserFluid1=Oil%2C+light|UserPreference=%3B-1%3B0|");
  // (The test's HTTP client percent-decodes header values as it reads them.)
  EXPECT_EQ(r->get_header_value("Set-Cookie"), "UserFluid1=Oil,+light; Path=C:\\temp; Expires=Tue, 01 Jan 2030 00:00:00 GMT");
}

TEST_F(WebServer, StaticFilesAreServedWithTheirContentTypes) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("zentor-www-" + NewRandomToken().substr(0, 8));
  fs::create_directories(root / "Files");
  std::ofstream(root / "Files" / "a.png", std::ios::binary) << "png";
  std::ofstream(root / "Files" / "b.jpg", std::ios::binary) << "jpg";
  std::ofstream(root / "Files" / "help.html", std::ios::binary) << "<p>help</p>";
  std::ofstream(root / "secret.txt", std::ios::binary) << "secret";
  StartServer(10min, root.string());
  httplib::Client cli("127.0.0.1", Port);
  struct Case {
    const char* path;
    int status;
    const char* type;
  } cases[] = {
      {"/files/a.png", 200, "image/png"},
      {"/files/b.jpg", 200, "image/jpeg"},
      {"/files/help.html", 200, "text/html"},
      {"/files/../secret.txt", 404, nullptr},
      {"/files/%2e%2e/secret.txt", 404, nullptr},
      {"/files/missing.png", 404, nullptr},
      {"/iw.js", 200, "text/javascript; charset=utf-8"},
  };
  for (const auto& c : cases) {
    auto r = cli.Get(c.path);
    ASSERT_TRUE(r) << c.path;
    if (c.status == 404) {
      EXPECT_NE(r->status, 200) << c.path;
      EXPECT_EQ(r->body.find("secret"), std::string::npos) << c.path;
    } else {
      EXPECT_EQ(r->status, c.status) << c.path;
      EXPECT_EQ(r->get_header_value("Content-Type"), c.type) << c.path;
    }
  }
  fs::remove_all(root);
}

// ---- Hostile and unusual clients (loopback only; every loop below is bounded in count and time) ----


TEST_F(WebServer, LongEventsAreTakenAndTooLongOnesAreRefusedWithWhatWasTooLarge) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  const std::string text(8500, 'T');
  a.Post("click", "EchoButton", {{a.Value("NameEdit"), text}});
  EXPECT_EQ(a.Out(), text) << "a user text past 8 KiB";

  const std::string cookies = "UserFluid1=" + std::string(4000, 'a') + "; UserFluid2=" + std::string(4000, 'b');
  auto r = a.Post("click", "CookieButton", {{"ck", cookies}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(a.Out(), "UserFluid1=" + std::string(4000, 'a') + "|UserFluid2=" + std::string(4000, 'b') + "|")
      << "8 KB of cookies with every event";

  // The browser sends the same cookies in its header too.
  a.Client().set_default_headers({{"Cookie", cookies}});
  a.Post("click", "EchoButton", {{a.Value("NameEdit"), "with headers"}});
  EXPECT_EQ(a.Out(), "with headers");

  struct Case {
    const char* what;
    std::size_t size;
    int status;
    const char* says;
  } cases[] = {
      {"event past its limit", MaxEventBytes + 1, 413, "The page's entries and cookies are too large to send"},
      {"header fields past their limit", http::MaxHeadBytes, 431, "header fields are too large"},
  };
  for (const auto& c : cases) {
    httplib::Client cli("127.0.0.1", Port);
    httplib::Result res = c.status == 413
                              ? cli.Post("/event", "s=" + a.Token + "&x=" + std::string(c.size, 'x'),
                                         "application/x-www-form-urlencoded")
                              : cli.Get("/", {{"Cookie", std::string(c.size, 'c')}});
    ASSERT_TRUE(res) << c.what;
    EXPECT_EQ(res->status, c.status) << c.what;
    EXPECT_NE(res->body.find(c.says), std::string::npos) << c.what << ": " << res->body;
  }
  a.Client().set_default_headers({});
  a.Post("click", "CountButton");
  EXPECT_EQ(a.Out(), "1") << "the session goes on";
}

TEST_F(WebServer, SlowClientsNeitherStallOthersNorOutstayTheDeadline) {
  Tweak = [](TIWServerOptions& o) {
    o.Threads = 4;
    o.RequestDeadline = 1500ms;
  };
  StartServer();
  // 300 connections from other loopback addresses (under the per-client cap of 256) that trickle: half a
  // head, half a body after a complete head.
  std::vector<std::unique_ptr<TRawConn>> slow;
  const char* from[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
  for (int i = 0; i < 300; ++i) {
    slow.push_back(std::make_unique<TRawConn>(Port, from[i % 3]));
    ASSERT_TRUE(slow.back()->Connected) << i;
    if (i % 2) slow.back()->Send("POST /event HTTP/1.1\r\nHost: t\r\nContent-Length: 100000\r\n\r\ns=");
  }
  std::atomic<bool> stop{false};
  std::thread trickle([&] {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!stop && std::chrono::steady_clock::now() < end) {
      for (auto& c : slow) c->Send("x");
      std::this_thread::sleep_for(200ms);
    }
  });

  TBrowser a(Port);
  a.Open();
  ASSERT_FALSE(a.Token.empty());
  for (int i = 1; i <= 8; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    auto r = a.Post("click", "CountButton");
    const auto took = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_LT(took, 1s) << "event " << i;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(a.Out(), "8");

  // Past the deadline every slow connection has been closed by the server, though it still trickles.
  std::this_thread::sleep_for(1500ms);
  int closed = 0;
  for (int i = 0; i < 40 && closed < 300; ++i) {
    closed = 0;
    for (auto& c : slow) closed += c->ServerClosed() ? 1 : 0;
    if (closed < 300) std::this_thread::sleep_for(100ms);
  }
  stop = true;
  trickle.join();
  EXPECT_EQ(closed, 300);
}

TEST_F(WebServer, ConnectionsOfOneClientAreCapped) {
  Tweak = [](TIWServerOptions& o) { o.MaxConnectionsPerClient = 3; };
  StartServer();
  std::vector<std::unique_ptr<TRawConn>> held;
  for (int i = 0; i < 3; ++i) held.push_back(std::make_unique<TRawConn>(Port, "127.0.0.5"));
  std::this_thread::sleep_for(100ms);
  TRawConn extra(Port, "127.0.0.5");
  const std::string reply = extra.Read(2s);
  EXPECT_TRUE(extra.Closed);
  EXPECT_EQ(reply.rfind("HTTP/1.1 503 ", 0), 0u) << reply;
  TBrowser other(Port);
  other.Open();
  EXPECT_FALSE(other.Token.empty()) << "another client is served";
  held.pop_back();
  std::this_thread::sleep_for(100ms);
  TRawConn again(Port, "127.0.0.5");
  again.Send("GET /iw.js HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(again.Read(2s).rfind("HTTP/1.1 200 ", 0), 0u) << "a freed place is taken again";
}

TEST_F(WebServer, SessionsAreCappedStartPagesGiveWayFirstAndEndSooner) {
  Tweak = [](TIWServerOptions& o) {
    o.MaxSessions = 2;
    o.StartPageTimeout = 1s;
  };
  StartServer();
  TBrowser onStart(Port), movedOn(Port);
  movedOn.Open();
  movedOn.Post("click", "NextButton");
  ASSERT_EQ(movedOn.FormName(), "OtherForm");
  onStart.Open();

  // The server is full: the session still on its start page makes room for a new one.
  TBrowser third(Port);
  third.Open();
  EXPECT_FALSE(third.Token.empty());
  auto ended = onStart.Post("", "");
  ASSERT_TRUE(ended);
  EXPECT_EQ(ended->status, 410) << "the start-page session has given way";
  auto r = movedOn.Post("", "");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(movedOn.FormName(), "OtherForm") << "the session that moved on lives on";

  // Left on its start page, a session ends sooner.
  for (int i = 0; i < 500 && Server->SessionCount() > 1; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(Server->SessionCount(), 1u) << "the session that stayed on its start page has ended";

  // Full with sessions that have all moved on: nothing gives way.
  TBrowser fourth(Port);
  fourth.Open();
  fourth.Post("click", "NextButton");
  ASSERT_EQ(fourth.FormName(), "OtherForm");
  httplib::Client cli("127.0.0.1", Port);
  auto busy = cli.Get("/");
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->status, 503);
  EXPECT_EQ(busy->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_NE(busy->body.find("The server is busy"), std::string::npos);
  EXPECT_NE(busy->body.find("try again"), std::string::npos);
  EXPECT_EQ(TTestData::Alive, 2) << "a refused start builds no session";

  std::lock_guard<std::mutex> lk(LogLock);
  for (const char* why : {"time-out on the start page", "on its start page, to make room for a new session"})
    EXPECT_NE(std::find_if(LogLines.begin(), LogLines.end(),
                           [&](const std::string& l) { return l.find(why) != std::string::npos; }),
              LogLines.end())
        << why;
}

TEST_F(WebServer, OneSessionCannotHoldEveryWorker) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  GInside = 0;
  GMaxInside = 0;
  std::vector<std::future<int>> clicks;
  for (int i = 0; i < 7; ++i)
    clicks.push_back(std::async(std::launch::async, [&] {
      TBrowser b(Port);
      b.Html = a.Html;
      b.FormKey = a.FormKey;
      auto r = b.Post("click", "SlowButton", {}, a.Token);
      return r ? r->status : 0;
    }));
  int ok = 0, busy = 0;
  for (auto& f : clicks) {
    const int status = f.get();
    ok += status == 200;
    busy += status == 503;
  }
  EXPECT_GE(ok, 1);
  EXPECT_LE(ok, static_cast<int>(MaxRequestsPerSession) + 2) << "only a few wait for the session at once";
  EXPECT_GE(busy, 1);
  EXPECT_EQ(ok + busy, 7);
}

TEST_F(WebServer, RawRequestsGetAnswersTheProtocolAsks) {
  StartServer();
  struct Case {
    const char* what;
    std::string request;
    std::vector<std::string> replies;  // status lines, in order
    bool closes;
  } cases[] = {
      {"two requests on one connection", "GET /iw.js HTTP/1.1\r\nHost: t\r\n\r\nGET /nothing HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n",
       {"HTTP/1.1 200 OK", "HTTP/1.1 404 Not Found"}, true},
      {"malformed request line", "GET/ HTTP/1.1\r\nHost: t\r\n\r\n", {"HTTP/1.1 400 Bad Request"}, true},
      {"chunked body", "POST /event HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
       {"HTTP/1.1 501 Not Implemented"}, true},
      {"HEAD of the start page starts no session", "HEAD / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n",
       {"HTTP/1.1 405 Method Not Allowed"}, true},
      {"a body is waited for", "POST /event HTTP/1.1\r\nHost: t\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n",
       {"HTTP/1.1 100 Continue"}, false},
      {"form of another kind", "POST /event HTTP/1.1\r\nHost: t\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\nabc",
       {"HTTP/1.1 400 Bad Request"}, false},
      {"HTTP/1.0 closes", "GET /iw.js HTTP/1.0\r\n\r\n", {"HTTP/1.1 200 OK"}, true},
      {"HTTP/1.1 without a host", "GET /iw.js HTTP/1.1\r\n\r\n", {"HTTP/1.1 400 Bad Request"}, true},
  };
  for (const auto& c : cases) {
    TRawConn conn(Port);
    ASSERT_TRUE(conn.Connected);
    conn.Send(c.request);
    const std::string got = conn.Read(c.closes ? 3s : 500ms);
    std::size_t at = 0;
    for (const std::string& want : c.replies) {
      at = got.find(want, at);
      EXPECT_NE(at, std::string::npos) << c.what << ": " << got.substr(0, 200);
      if (at == std::string::npos) break;
      ++at;
    }
    EXPECT_EQ(conn.Closed, c.closes) << c.what;
    EXPECT_EQ(got.find("s\":\""), std::string::npos) << c.what;
  }
  EXPECT_EQ(Server->SessionCount(), 0u);
}

// ---- Hostile clients, third round: one client must not take the server from the others ----

namespace {

std::string Find(const std::string& text, const std::string& re) {
  std::smatch m;
  return std::regex_search(text, m, std::regex(re)) ? std::string(m[1]) : std::string();
}

std::string EventRequest(const std::string& body) {
  return "POST /event HTTP/1.1\r\nHost: t\r\nConnection: close\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A session started from `from` as a flood would start it; with moveOn it also clicks past its
// start page. Returns the status of the start page.
int OpenFrom(int port, const char* from, bool moveOn = false) {
  const TRawReply page = RawExchange(port, from, "GET / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  if (page.Status != 200 || !moveOn) return page.Status;
  const std::string token = Find(page.Body, R"re("s":"([0-9a-f]+)")re");
  const std::string formKey = Find(page.Body, R"re("fk":"(\d+)")re");
  const std::string next = Find(page.Body, R"re(id="NextButton" data-k="(\d+)")re");
  const TRawReply moved = RawExchange(port, from, EventRequest("s=" + token + "&fk=" + formKey + "&e=click&c=" + next));
  return moved.Body.find("OtherForm") != std::string::npos ? 200 : 0;
}


}  // namespace

TEST_F(WebServer, OneAddressCannotFillTheSessionCap) {
  Tweak = [](TIWServerOptions& o) {
    o.MaxSessions = 6;
    o.MaxSessionsPerClient = 3;
  };
  StartServer();
  // A flood of start pages from one address: each new one ends that address's own oldest.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(OpenFrom(Port, "127.0.0.2"), 200) << i;
  EXPECT_EQ(Server->SessionCount(), 3u);
  TBrowser user(Port);
  user.Open();
  ASSERT_FALSE(user.Token.empty()) << "another address gets the form";

  // Flood sessions that click past their start page keep their places, and the address gets no more.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(OpenFrom(Port, "127.0.0.2", true), 200) << i;
  const TRawReply refused = RawExchange(Port, "127.0.0.2", "GET / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(refused.Status, 503);
  EXPECT_NE(refused.Body.find("Too many sessions"), std::string::npos) << refused.Body;
  EXPECT_EQ(Server->SessionCount(), 4u);

  // A second flooding address fills the server: start-page sessions give way, those of the address
  // holding the most first, so the user's session lives on.
  for (int i = 0; i < 10; ++i) EXPECT_EQ(OpenFrom(Port, "127.0.0.3"), 200) << i;
  EXPECT_EQ(Server->SessionCount(), 6u);
  user.Post("click", "CountButton");
  EXPECT_EQ(user.Out(), "1") << "the user's session was not the one to give way";
  TBrowser late(Port);
  late.Open();
  ASSERT_FALSE(late.Token.empty()) << "a newcomer still gets the form";
  late.Post("click", "CountButton");
  EXPECT_EQ(late.Out(), "1");
  user.Post("click", "CountButton");
  EXPECT_EQ(user.Out(), "2");
}

TEST_F(WebServer, FloodsFromOneAndFromSeveralAddressesLeaveAnotherUserWorking) {
  Tweak = [](TIWServerOptions& o) {
    o.MaxSessions = 20;
    o.MaxSessionsPerClient = 4;
    o.MaxConnections = 200;
    o.MaxConnectionsPerClient = 80;
    o.HeadTimeout = 500ms;
  };
  StartServer();
  struct Case {
    const char* what;
    std::vector<const char*> from;
  } cases[] = {{"one address", {"127.0.0.2"}}, {"several addresses", {"127.0.0.3", "127.0.0.4", "127.0.0.5"}}};
  for (const auto& c : cases) {
    std::atomic<bool> stop{false};
    std::atomic<int> floodPages{0};
    std::vector<std::thread> flood;
    for (const char* from : c.from) {
      // Start pages, some clicked past, as fast as they are answered...
      flood.emplace_back([&, from] {
        for (int i = 0; !stop && i < 2000; ++i) floodPages += OpenFrom(Port, from, i % 3 == 0) == 200;
      });
      // ...and connections that never send a byte, reopened as they are closed.
      flood.emplace_back([&, from] { webtest::HoldSilentConnections(Port, from, 70, stop); });
    }
    std::this_thread::sleep_for(300ms);
    TBrowser user(Port);
    user.Open();
    ASSERT_FALSE(user.Token.empty()) << c.what;
    user.Post("click", "NextButton");
    EXPECT_EQ(user.FormName(), "OtherForm") << c.what;
    user.Post("click", "BackButton");
    for (int i = 1; i <= 5; ++i) {
      auto r = user.Post("click", "CountButton");
      ASSERT_TRUE(r) << c.what;
      EXPECT_EQ(r->status, 200) << c.what;
    }
    EXPECT_EQ(user.Out(), "5") << c.what;
    stop = true;
    for (auto& t : flood) t.join();
    EXPECT_GT(floodPages, 0) << c.what << ": the flood itself was served";
    EXPECT_LE(Server->SessionCount(), 20u) << c.what;
  }
}

TEST_F(WebServer, SilentConnectionsCannotFillTheConnectionCap) {
  Tweak = [](TIWServerOptions& o) { o.MaxConnections = 40; };
  StartServer();
  // At the cap, the longest-silent connection is closed to make room for a new one.
  std::vector<std::unique_ptr<TRawConn>> silent;
  for (int i = 0; i < 40; ++i) {
    silent.push_back(std::make_unique<TRawConn>(Port, i % 2 ? "127.0.0.2" : "127.0.0.3"));
    ASSERT_TRUE(silent.back()->Connected);
  }
  for (int i = 0; i < 200 && Server->ConnectionCount() < 40; ++i) std::this_thread::sleep_for(5ms);
  TBrowser user(Port);
  user.Open();
  ASSERT_FALSE(user.Token.empty()) << "a new client is served at the cap";
  EXPECT_TRUE(silent[0]->ServerClosed()) << "the oldest made room";
  EXPECT_FALSE(silent[1]->ServerClosed());
  EXPECT_FALSE(silent.back()->ServerClosed()) << "the newest stays";
  user.Post("click", "CountButton");
  EXPECT_EQ(user.Out(), "1");
  EXPECT_LE(Server->ConnectionCount(), 40u);
}

TEST_F(WebServer, SilentConnectionsAreClosedAfterTheHeadTimeout) {
  Tweak = [](TIWServerOptions& o) { o.HeadTimeout = 400ms; };
  StartServer();
  std::vector<std::unique_ptr<TRawConn>> silent;
  for (int i = 0; i < 20; ++i) silent.push_back(std::make_unique<TRawConn>(Port, "127.0.0.2"));
  // A head trickled a byte at a time does not buy more time; it is told why it is closed.
  TRawConn trickle(Port, "127.0.0.3");
  std::string said;
  for (int i = 0; i < 200 && !trickle.Closed; ++i) {
    trickle.Send("G");
    said += trickle.Read(50ms);
  }
  EXPECT_TRUE(trickle.Closed);
  EXPECT_EQ(said.rfind("HTTP/1.1 408 ", 0), 0u) << said;
  for (int i = 0; i < 300 && Server->ConnectionCount() > 0; ++i) std::this_thread::sleep_for(10ms);
  int closed = 0;
  for (auto& c : silent) closed += c->ServerClosed() ? 1 : 0;
  EXPECT_EQ(closed, 20);
  // A client that sends its head at once is served as before.
  const TRawReply ok = RawExchange(Port, "127.0.0.2", "GET /iw.js HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(ok.Status, 200);
}

TEST_F(WebServer, ConnectionCapFollowsTheDescriptorLimit) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct Case {
    rlim_t limit;
    std::size_t cap;
  } cases[] = {{4096, 4096 - ReservedDescriptors}, {300, 64}};
  for (const auto& c : cases) {
    if (c.limit > saved.rlim_max) continue;
    rlimit lower = saved;
    lower.rlim_cur = c.limit;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lower), 0);
    StartServer();
    EXPECT_EQ(Server->MaxConnections(), c.cap) << c.limit;
    Server->Stop();
    Server.reset();
    setrlimit(RLIMIT_NOFILE, &saved);
  }
}

TEST_F(WebServer, StalledRequestBodiesAreCappedPerClientAndOverall) {
  const std::size_t body = 120 * 1024;
  Tweak = [&](TIWServerOptions& o) {
    o.MaxBytesInFlightPerClient = 300 * 1024;
    o.MaxBytesInFlight = 500 * 1024;
  };
  StartServer();
  TBrowser user(Port);
  user.Open();
  const std::string head = "POST /upload HTTP/1.1\r\nHost: t\r\nContent-Type: multipart/form-data; boundary=b\r\n"
                           "Content-Length: " + std::to_string(body) + "\r\n\r\n--b\r\n";
  // Uploads that announce their body and stall: the whole body is reserved from its head on.
  struct Case {
    const char* from;
    bool taken;
  } cases[] = {{"127.0.0.2", true}, {"127.0.0.2", true}, {"127.0.0.2", false},  // past the client's cap
               {"127.0.0.3", true}, {"127.0.0.3", true},
               {"127.0.0.4", false}};  // past the overall cap
  std::vector<std::unique_ptr<TRawConn>> stalled;
  for (const auto& c : cases) {
    stalled.push_back(std::make_unique<TRawConn>(Port, c.from));
    stalled.back()->Send(head);
    const std::string got = stalled.back()->Read(300ms);
    if (c.taken) {
      EXPECT_TRUE(got.empty()) << c.from << ": " << got;
    } else {
      EXPECT_EQ(got.rfind("HTTP/1.1 503 ", 0), 0u) << c.from << ": " << got;
      EXPECT_NE(got.find("receiving too much"), std::string::npos) << got;
    }
  }
  EXPECT_GE(Server->BytesInFlight(), 4 * body);
  EXPECT_LT(Server->BytesInFlight(), 500u * 1024);
  // Small requests of others still fit.
  user.Post("click", "CountButton");
  EXPECT_EQ(user.Out(), "1");

  // Closed connections give their bytes back.
  stalled.clear();
  for (int i = 0; i < 300 && Server->BytesInFlight() > 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(Server->BytesInFlight(), 0u);
  for (int i = 0; i < 2; ++i) {
    TRawConn again(Port, "127.0.0.2");
    again.Send(head);
    EXPECT_TRUE(again.Read(200ms).empty()) << "the client's places are free again";
  }
  // An upload that completes is taken and its bytes are given back when its handler is done.
  user.Upload("Loadfileedit", "big.kvs", std::string(200 * 1024, 'x'));
  EXPECT_EQ(user.Out(), "big.kvs:" + std::to_string(200 * 1024) + ":");
  for (int i = 0; i < 300 && Server->BytesInFlight() > 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(Server->BytesInFlight(), 0u);
}

TEST_F(WebServer, HeadDoesNotTakeTheOneTimeFile) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  a.Post("click", "CacheButton");
  const std::string url = a.Out();
  ASSERT_EQ(url.rfind("/cache/", 0), 0u);
  const std::string head = "HEAD " + url + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n";
  for (int i = 0; i < 2; ++i) {
    const TRawReply r = RawExchange(Port, "127.0.0.1", head);
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.Header("Content-Type"), "application/pdf");
    EXPECT_EQ(r.Header("Content-Length"), "13") << "the length the GET will have";
    EXPECT_TRUE(r.Body.empty());
    EXPECT_TRUE(std::filesystem::exists(GLastTempFile));
  }
  auto got = a.Client().Get(url);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->status, 200);
  EXPECT_EQ(got->body, "%PDF-1.4 test");
  EXPECT_EQ(RawExchange(Port, "127.0.0.1", head).Status, 404) << "once fetched, it is gone";
}

TEST_F(WebServer, ReportFilesDoNotPileUp) {
  StartServer();
  TBrowser a(Port);
  a.Open();
  std::vector<std::string> urls, files;
  for (std::size_t i = 0; i < MaxCacheFilesPerSession + 3; ++i) {
    a.Post("click", "CacheButton");
    urls.push_back(a.Out());
    files.push_back(GLastTempFile);
  }
  for (std::size_t i = 0; i < urls.size(); ++i) {
    const bool kept = i >= 3;
    EXPECT_EQ(std::filesystem::exists(files[i]), kept) << i;
    auto r = a.Client().Get(urls[i]);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kept ? 200 : 404) << "only the session's newest files are kept; " << i;
  }
}

TEST(TemporaryFiles, TheOldestFilesGoPastTheCachesTotalBytes) {
  const auto saved = TIWAppCache::SetLimits({MaxCacheFilesPerSession, 40});
  TIWApplication a, b;
  auto add = [](TIWApplication& owner) {
    const std::string file = TIWAppCache::NewTempFileName();
    std::ofstream(file, std::ios::binary) << "%PDF-1.4 test";  // 13 bytes
    return std::make_pair(TIWAppCache::AddFileToCache(&owner, file, ctOneTime, TIWMimeTypes::mtPDF), file);
  };
  const auto a1 = add(a), b1 = add(b), a2 = add(a), b2 = add(b);
  // Four files of 13 bytes under a cap of 40: the oldest, of whichever session, has gone.
  EXPECT_FALSE(std::filesystem::exists(a1.second));
  EXPECT_FALSE(TIWAppCache::Peek(a1.first.substr(7)));
  for (const auto& kept : {b1, a2, b2}) {
    EXPECT_TRUE(std::filesystem::exists(kept.second)) << kept.second;
    const auto entry = TIWAppCache::Peek(kept.first.substr(7));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Size, 13u);
  }
  // A fetched file no longer counts.
  ASSERT_TRUE(TIWAppCache::Take(b1.first.substr(7)));
  const auto a3 = add(a);
  EXPECT_TRUE(std::filesystem::exists(a2.second));
  EXPECT_TRUE(std::filesystem::exists(a3.second));
  TIWAppCache::SetLimits(saved);
}

TEST(ClientKey, OneIpv6HostIsOneClientAsOneIpv4AddressIs) {
  struct Case {
    const char* remote;
    const char* key;
  } cases[] = {
      {"127.0.0.2", "127.0.0.2"},
      {"2001:db8:1:2::1", "2001:db8:1:2::/64"},
      {"2001:db8:1:2:ffff:eeee:dddd:cccc", "2001:db8:1:2::/64"},
      {"2001:db8:1:3::1", "2001:db8:1:3::/64"},
      {"::1", "::/64"},
  };
  for (const auto& c : cases) EXPECT_EQ(ClientKey(c.remote), c.key) << c.remote;
}
