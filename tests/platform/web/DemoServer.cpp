// A server with one form of every kind of control, for the browser test of the page's script.
#include <cstdlib>
#include <string>

#include "platform/rt/SysUtils.h"
#include "platform/web/Start.h"

using namespace web;

namespace {

struct TDemoForm : TIWAppForm {
  explicit TDemoForm(TIWApplication& app) : TIWAppForm(app) {
    Name = "DemoForm";
    Title = "Demo";
    Width = 900;
    Height = 700;
    auto* out = Add<TIWLabel>("Out");
    out->SetBounds(10, 10, 600, 20);
    auto say = [out](const std::string& s) { out->Caption = s; };

    auto* digits = Add<TIWEdit>("DigitsEdit");
    digits->SetBounds(10, 40, 120, 22);
    // Keeps digits only: a typed character that is not one is taken off again.
    digits->OnAsyncKeyDown = [digits, say](TIWControl*, const TIWEventParams& p) {
      const std::string which = p.Values("Which");
      const int code = std::atoi(which.c_str());
      if (!(code >= 48 && code <= 57) && code != 8 && !digits->Text.empty()) digits->Text.pop_back();
      say("key " + which + " text " + digits->Text);
    };
    auto* plain = Add<TIWEdit>("PlainEdit");
    plain->SetBounds(140, 40, 120, 22);
    OnDefaultAction = [plain, say](TIWControl*) { say("default " + plain->Text); };

    auto* twice = Add<TIWButton>("TwoMessages");
    twice->SetBounds(10, 70, 120, 24);
    twice->Caption = "Two messages";
    twice->OnClick = [](TIWControl*) {
      WebApplication()->ShowMessage("First <message>");
      WebApplication()->ShowMessage("Second");
    };
    auto* fail = Add<TIWButton>("FailButton");
    fail->SetBounds(140, 70, 120, 24);
    fail->Caption = "Fail";
    fail->OnClick = [](TIWControl*) { throw rt::EConvertError("'x' is not a valid floating point value"); };

    auto* combo = Add<TIWComboBox>("UnitCombo");
    combo->SetBounds(10, 100, 120, 22);
    combo->Items = {"psi", "bar", "kPa"};
    combo->OnChange = [combo, say](TIWControl*) { say("combo " + combo->Text()); };
    auto* check = Add<TIWCheckBox>("LinkCheck");
    check->SetBounds(140, 100, 120, 22);
    check->Caption = "Link";
    check->OnChange = [check, say](TIWControl*) { say(std::string("check ") + (check->Checked ? "on" : "off")); };
    for (int i = 0; i < 2; ++i) {
      auto* rb = Add<TIWRadioButton>(i == 0 ? "GaugeRB" : "AbsRB");
      rb->SetBounds(270 + i * 100, 100, 90, 22);
      rb->Caption = i == 0 ? "Gauge" : "Absolute";
      rb->Group = "Pressure";
      rb->SetChecked(i == 0);
      rb->OnClick = [rb, say](TIWControl*) { say("radio " + rb->Caption); };
    }

    auto* grid = Add<TIWGrid>("ResultsGrid");
    grid->SetBounds(10, 130, 300, 80);
    grid->SetRowCount(3);
    grid->SetColumnCount(3);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) grid->Cell(r, c).Text = std::to_string(r) + "/" + std::to_string(c);
    grid->OnCellClick = [say](TIWControl*, int r, int c) { say("cell " + std::to_string(r) + "," + std::to_string(c)); };

    auto* menu = Add<TIWMainMenu>("MainMenu1");
    menu->SetBounds(400, 40, 300, 22);
    auto* file = menu->Add("File1", "File");
    file->Add("SaveAsMenuItem", "Save Sizing")->OnClick = [say](TIWControl*) { say("menu save"); };
    menu->Add("Report1", "Report")->OnClick = [say](TIWControl*) { say("menu report"); };

    auto* download = Add<TIWButton>("DownloadButton");
    download->SetBounds(10, 220, 120, 24);
    download->Caption = "Download";
    download->OnClick = [](TIWControl*) {
      WebApplication()->SendStream("a;b;c", true, "application/vxs", "../my\"sizing\".kvs");
    };
    auto* upload = Add<TIWFileUploader>("Loadfileedit");
    upload->SetBounds(140, 220, 250, 24);
    upload->Accept = ".kvs";
    upload->OnAsyncUploadCompleted = [say](TIWControl* s, std::string&, const std::string& name, bool& save, bool&) {
      save = false;
      say("upload " + name + " " + static_cast<TIWFileUploader*>(s)->Content());
    };

    auto* setCookie = Add<TIWButton>("SetCookie");
    setCookie->SetBounds(10, 250, 120, 24);
    setCookie->Caption = "Set cookie";
    setCookie->OnClick = [](TIWControl*) {
      WebApplication()->Response().Cookies.AddCookie("UserFluid1", "Oil, light 60\xC2\xB0" "F", "C:\\temp",
                                                    std::chrono::system_clock::now() + std::chrono::hours(24 * 1825),
                                                    false, false, ssoNone);
    };
    auto* readCookies = Add<TIWButton>("ReadCookies");
    readCookies->SetBounds(140, 250, 120, 24);
    readCookies->Caption = "Read cookies";
    readCookies->OnClick = [say](TIWControl*) {
      std::string all;
      for (const auto& f : WebApplication()->Request().CookieFields()) all += f + ";";
      say("cookies " + all);
    };

    // A picture drawn at half its own size: clicks arrive in the picture's pixels.
    auto* picture = Add<TIWImage>("PageImage");
    picture->SetBounds(420, 220, 100, 50);
    picture->SetPicture("<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'><rect width='200' "
                        "height='100' fill='#ccc'/></svg>",
                        "image/svg+xml");
    picture->OnMouseDown = [say](TIWControl*, int x, int y, rt::TShiftState) {
      say("picture " + std::to_string(x) + "," + std::to_string(y));
    };
    auto* tree = Add<TIWTreeView>("OutlineTree");
    tree->SetBounds(540, 220, 200, 100);
    tree->Add("Page 1", 1)->Add("Results", 2);
    tree->OnClick = [say](TIWControl*, TIWTreeNode* n) { say("node " + n->Text); };
    auto* pages = Add<TIWRegion>("PagesRegion");
    pages->SetBounds(760, 220, 120, 100);
    pages->ScrollBars = true;
    pages->ScrollTop = 40;
    Add<TIWLabel>("TallContent", pages)->SetBounds(0, 0, 100, 1000);
    pages->OnScroll = [say](TIWControl*, int x, int y) { say("scrolled " + std::to_string(x) + "," + std::to_string(y)); };
    auto* pass = Add<TIWEdit>("PasswordEdit");
    pass->SetBounds(420, 280, 100, 22);
    pass->PasswordPrompt = true;
    auto* showPass = Add<TIWButton>("ShowPassword");
    showPass->SetBounds(420, 306, 100, 22);
    showPass->Caption = "Show";
    showPass->OnClick = [pass, say](TIWControl*) { say("password " + pass->Text); };
    KeyPreview = {34, 70 + KeyCtrl};
    OnKeyDown = [say](TIWAppForm*, int key, rt::TShiftState shift) {
      say("formkey " + std::to_string(key) + ((shift & rt::ssCtrl) ? " ctrl" : ""));
    };

    auto* panel = Add<TIWRegion>("Panel");
    panel->SetBounds(10, 300, 300, 100);
    panel->Color = clCream;
    panel->ZIndex = 6000;
    auto* close = Add<TIWButton>("CloseButton", panel);
    close->SetBounds(10, 10, 100, 24);
    close->Caption = "Close";
    close->OnClick = [panel](TIWControl*) { panel->Visible = false; };
  }
};

}  // namespace

int main(int argc, char** argv) {
  TIWAppForm::SetAsMainForm<TDemoForm>();
  TIWStart::TOptions options;
  options.Host = "127.0.0.1";
  options.Port = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--port") options.Port = std::atoi(argv[i + 1]);
    if (arg == "--wwwroot") options.WwwRoot = argv[i + 1];
  }
  return TIWStart::Execute(options);
}
