// The sizing server under a flood of start pages and silent connections, from one loopback address
// and from several: a user at another address still starts a session, reaches the sizing form and
// calculates.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "platform/web/Html.h"
#include "platform/web/Server.h"
#include "tests/platform/web/RawConn.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

using namespace std::chrono_literals;
using webtest::RawExchange;
using webtest::TRawConn;

namespace {

// Water on a 2-inch sliding gate with Cv 60; the Max flow's Cv is 28.28.
const std::map<std::string, std::string> Inputs = {
    {"TempMinEdit", "60"},  {"P1MinEdit", "100"},     {"P2MinEdit", "80"},    {"FlowMinEdit", "50"},
    {"TempNormEdit", "60"}, {"P1NormEdit", "100"},    {"P2NormEdit", "60"},   {"FlowNormEdit", "120"},
    {"TempMaxEdit", "60"},  {"P1MaxEdit", "150"},     {"P2MaxEdit", "100"},   {"FlowMaxEdit", "200"},
    {"SGminEdit", "1"},     {"ViscMinEdit", "1.15"},  {"VPMinEdit", "0.26"},  {"CPMinEdit", "3206."},
    {"SGNormEdit", "1"},    {"ViscNormEdit", "1.15"}, {"VPNormEdit", "0.26"}, {"CPNormEdit", "3206."},
    {"SGMaxEdit", "1"},     {"ViscMaxEdit", "1.15"},  {"VPMaxEdit", "0.26"},  {"CPMaxEdit", "3206."},
};

const std::string StartPage = "GET / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n";

std::string Event(const std::string& body) {
  return "POST /event HTTP/1.1\r\nHost: t\r\nConnection: close\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Find(const std::string& text, const char* re) {
  std::smatch m;
  return std::regex_search(text, m, std::regex(re)) ? std::string(m[1]) : std::string();
}

// A browser session driven over raw HTTP from one address.
struct TSizingUser {
  TSizingUser(int port, const char* from) : Port(port), From(from) {}
  int Port;
  const char* From;
  std::string Token, FormKey, Last;
  std::map<std::string, std::string> Keys;

  // The start page; false when it was refused.
  bool Open() {
    const auto r = RawExchange(Port, From, StartPage);
    if (r.Status != 200) return false;
    Token = Find(r.Body, R"re("s":"([0-9a-f]{64})")re");
    FormKey = Find(r.Body, R"re("fk":"(\d+)")re");
    const std::regex control(R"re(id="(\w+)" data-k="(\d+)")re");
    for (std::sregex_iterator it(r.Body.begin(), r.Body.end(), control), end; it != end; ++it)
      Keys[(*it)[1]] = (*it)[2];
    return !Token.empty();
  }

  // An event of the named control with the given page values; the reply's body, empty when refused.
  std::string Send(const std::string& type, const std::string& control, const std::string& values = "") {
    const auto r = RawExchange(Port, From,
                               Event("s=" + Token + "&fk=" + FormKey + "&w=1280&e=" + type + "&c=" + Keys[control] + values));
    if (r.Status != 200) return {};
    FormKey = Find(r.Body, R"re("fk":"(\d+)")re");
    // The form's HTML travels as a JSON string.
    const std::regex escaped(R"re(id=\\"(\w+)\\" data-k=\\"(\d+)\\")re");
    for (std::sregex_iterator it(r.Body.begin(), r.Body.end(), escaped), end; it != end; ++it)
      Keys[(*it)[1]] = (*it)[2];
    return Last = r.Body;
  }

  std::string Value(const std::string& name, const std::string& value) {
    return "&v" + Keys[name] + "=" + web::UrlEncode(value);
  }
};

}  // namespace

TEST(SizingServerUnderFlood, AnotherAddressStartsASessionAndCalculates) {
  GlobeunitInitialization();
  TIWServerController controller;
  web::TIWServerOptions opt;
  opt.Host = "127.0.0.1";
  opt.Port = 0;
  opt.WwwRoot = ZENTOR_WWWROOT;
  opt.OnNewSession = controller.OnNewSession;
  opt.Log = [](const std::string&) {};
  opt.Threads = 8;
  opt.MaxSessions = 24;
  opt.MaxSessionsPerClient = 4;
  opt.MaxConnections = 300;
  opt.MaxConnectionsPerClient = 120;
  opt.HeadTimeout = 1s;
  web::TIWServer server(opt);
  const int port = server.Start();

  struct Case {
    const char* what;
    std::vector<const char*> from;
  } cases[] = {{"one address", {"127.0.0.2"}}, {"several addresses", {"127.0.0.3", "127.0.0.4", "127.0.0.5"}}};
  for (const auto& c : cases) {
    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::vector<std::thread> flood;
    for (const char* from : c.from) {
      // Start pages as fast as they are answered, every fourth clicked on into the sizing form...
      flood.emplace_back([&, from] {
        for (int i = 0; !stop && i < 500; ++i) {
          TSizingUser f(port, from);
          if (!f.Open()) continue;
          ++served;
          if (i % 4 == 0) f.Send("click", "VXimage");
        }
      });
      // ...and connections that never send a byte, reopened as they are closed.
      flood.emplace_back([&, from] { webtest::HoldSilentConnections(port, from, 100, stop); });
    }
    std::this_thread::sleep_for(500ms);

    TSizingUser user(port, "127.0.0.1");
    ASSERT_TRUE(user.Open()) << c.what;
    EXPECT_NE(user.Send("click", "VXimage").find("Globemain"), std::string::npos) << c.what;
    EXPECT_FALSE(user.Send("change", "SizeCombo", user.Value("SizeCombo", "5")).empty()) << c.what;
    EXPECT_FALSE(user.Send("change", "CvCombo", user.Value("CvCombo", "19")).empty()) << c.what;
    std::string values;
    for (const auto& [name, value] : Inputs) values += user.Value(name, value);
    const std::string reply = user.Send("click", "CalcButton", values);
    const std::size_t grid = reply.find("ResultsGrid");
    ASSERT_NE(grid, std::string::npos) << c.what;
    EXPECT_NE(reply.find("28.28", grid), std::string::npos) << c.what << ": the Max condition is calculated";

    stop = true;
    for (auto& t : flood) t.join();
    EXPECT_GT(served, 0) << c.what;
    EXPECT_LE(server.SessionCount(), opt.MaxSessions) << c.what;
  }
  server.Stop();
}
