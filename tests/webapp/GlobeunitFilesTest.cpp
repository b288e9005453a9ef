// Sizing files, user fluids and preferences on the sizing form.
#include <gtest/gtest.h>

#include <functional>

#include "platform/rt/SysUtils.h"
#include "platform/web/Html.h"
#include "webapp/Globeunit.h"
#include "webapp/PrefUnit.h"
#include "webapp/ServerController.h"
#include "webapp/SizingRecord.h"
#include "webapp/UserCookies.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

using Cookies = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto end = line.find(';', start);
    out.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::vector<std::string> Items(const StringList& l) {
  std::vector<std::string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Strings(i));
  return out;
}

class Files : public ::testing::Test {
public:
  void SetUp() override { Open(); }
  void TearDown() override {
    scope.reset();
    app.reset();
  }

  // A new browser session that shows the sizing form, sending these cookies.
  void Open(const Cookies& cookies = {}) {
    scope.reset();
    app = std::make_unique<TIWApplication>();
    TIWServerController controller;
    controller.OnNewSession(*app);
    TIWRequest r;
    r.Cookies = cookies;
    app->BeginRequest(r, 1141);
    scope = std::make_unique<TCurrentApplicationScope>(app.get());
    f = app->CreateForm<TGlobemain>();
    f->Show();
    f->IWAppFormRender();
    S = UserSession();
  }
  // The next event of the session, sending these cookies.
  void Request(const Cookies& cookies) {
    TIWRequest r;
    r.Cookies = cookies;
    app->BeginRequest(r, 0);
  }
  void Render() { f->IWAppFormRender(); }
  std::vector<std::string> Messages() { return app->TakeMessages(); }
  // The text of every edit and the state of every radio of the form, by name (the user-fluid
  // panel's name edit is no part of a sizing).
  std::vector<std::string> Inputs() {
    std::vector<std::string> out;
    f->ForEachControl([&](TIWControl& c) {
      if (&c == f->UFNameEdit) return;
      if (auto* e = dynamic_cast<TIWEdit*>(&c)) out.push_back(c.Name() + "=" + e->Text);
      else if (auto* r = dynamic_cast<TIWRadioButton*>(&c)) out.push_back(c.Name() + (r->Checked() ? " on" : " off"));
    });
    return out;
  }
  // Every cell of the results grid.
  std::vector<std::string> Grid() {
    std::vector<std::string> out;
    for (int r = 0; r < f->ResultsGrid->RowCount(); ++r)
      for (int c = 0; c < f->ResultsGrid->ColumnCount(); ++c) out.push_back(f->ResultsGrid->Cell(r, c).Text);
    return out;
  }

  void Condition(int i, const std::string& p1, const std::string& p2, const std::string& t, const std::string& q) {
    f->P1Edit(i)->Text = p1;
    f->P2Edit(i)->Text = p2;
    f->TempEdit(i)->Text = t;
    f->FlowEdit(i)->Text = q;
  }
  void SelectFluid(const std::string& state, const std::string& fluid) {
    f->FluidStateCombo->SetText(state);
    f->FluidStateComboChange(f->FluidStateCombo);
    f->FluidCombo->SetText(fluid);
    f->FluidComboChange(f->FluidCombo);
  }
  void Select(TIWComboBox* c, const std::string& text, void (TGlobemain::*handler)(TIWControl*)) {
    c->SetText(text);
    ASSERT_EQ(c->Text(), text) << c->Name();
    (f->*handler)(c);
  }
  void Click(TIWRadioButton* r, void (TGlobemain::*handler)(TIWControl*)) {
    r->SetChecked(true);
    (f->*handler)(r);
  }
  // Pipe sizes of their own. (Linked, they follow the size list, which a low-flow valve hides and
  // leaves as the previous valve had it.)
  void Unlink(const std::string& up, const std::string& down) {
    f->LinkDiamsCB->Checked = false;
    f->LinkDiamsCBChange(f->LinkDiamsCB);
    f->UpDiamEdit->Text = up;
    f->DownDiamEdit->Text = down;
  }
  // The upload of a file, as the framework hands it to the form, and the render that follows.
  void Upload(const std::string& bytes, const std::string& name = "sizing.kvs") {
    f->Loadfileedit->DeliverUpload(name, bytes);
    Render();
  }
  std::string Download() {
    f->Filenameedit->Text = "x";
    f->FileSaveButtonClick(f->FileSaveButton);
    return app->TakeDownload();
  }
  // A user fluid entered on the panel.
  void EnterUserFluid(const std::string& state, const std::string& name, const std::string& sg,
                      const std::string& visc, const std::string& vpOrK, const std::string& cpOrZ, bool save) {
    SelectFluid(state, state == "Liquid" ? "Unlisted Liquid" : "Unlisted Gas");
    f->UFNameEdit->Text = name;
    f->SGminEdit->Text = sg;
    f->ViscMinEdit->Text = visc;
    f->VPMinEdit->Text = vpOrK;
    f->CPMinEdit->Text = cpOrZ;
    f->UFApplyButtClick(save ? f->UFSaveButt : f->UFApplyButt);
  }
  // Set-Cookie headers of the reply as (name, wire value).
  Cookies SetCookies() {
    Cookies out;
    for (const std::string& h : app->Response().Cookies.Headers()) {
      const auto eq = h.find('='), end = h.find(';');
      out.emplace_back(h.substr(0, eq), h.substr(eq + 1, end - eq - 1));
    }
    return out;
  }

  std::unique_ptr<TIWApplication> app;
  std::unique_ptr<TCurrentApplicationScope> scope;
  TGlobemain* f = nullptr;
  TIWUserSession* S = nullptr;
};

// Sizings as a user makes them, each from a new form.
struct Scenario {
  const char* what;
  std::function<void(Files&)> make;
};

const Scenario Scenarios[] = {
    {"gate, water, Cv mode",
     [](Files& t) {
       t.Select(t.f->SizeCombo, "1.50 in", &TGlobemain::SizeComboChange);
       t.Condition(0, "100", "80", "60", "10");
       t.Condition(1, "100", "70", "60", "20");
       t.f->AssignfluidParams();
     }},
    {"globe, nitrogen in bar, flow mode, equal percentage",
     [](Files& t) {
       t.Click(t.f->GlobeRB, &TGlobemain::GlobeRBClick);
       t.Select(t.f->ValveTypeCombo, "SERIES C", &TGlobemain::ValveTypeComboChange);
       t.Click(t.f->EQRB, &TGlobemain::EQRBClick);
       t.SelectFluid("Gas", "Nitrogen");
       t.Select(t.f->P1Combo, "bar", &TGlobemain::P1ComboChange);
       t.Select(t.f->TempUnitCombo, "°C", &TGlobemain::TempUnitComboChange);
       t.Condition(0, "7", "2", "20", "1");
       t.Condition(2, "8", "1.5", "-10", "1");
       t.Click(t.f->CalcForFlow, &TGlobemain::CalcForFlowClick);
       t.f->AssignfluidParams();
     }},
    {"low flow, saturated steam in kPa",
     [](Files& t) {
       t.Click(t.f->LowflowRB, &TGlobemain::LowflowRBClick);
       t.Unlink("0.75 in", "1.00 in");
       t.SelectFluid("Steam", "Saturated Steam");
       t.Select(t.f->P1Combo, "kilo pascal", &TGlobemain::P1ComboChange);
       t.Condition(1, "700", "300", "", "50");
       t.f->AssignfluidParams();
     }},
    {"low flow in flow mode, water in K",
     [](Files& t) {
       t.Click(t.f->PLLowflowRB, &TGlobemain::PLLowflowRBClick);
       t.Unlink("0.50 in", "0.50 in");
       t.Select(t.f->TempUnitCombo, "K", &TGlobemain::TempUnitComboChange);
       t.Click(t.f->CalcForFlow, &TGlobemain::CalcForFlowClick);
       t.Condition(0, "50", "20", "300", "");
       t.f->AssignfluidParams();
     }},
    {"sanitary globe, air, awkward texts",
     [](Files& t) {
       t.Click(t.f->PLGlobeRB, &TGlobemain::PLGlobeRBClick);
       t.SelectFluid("Gas", "Air");
       t.Condition(0, "60", "30", "70", "500");
       t.f->TagEdit->Text = "FV-1; \"main\" ~ 50% Ø¾ LINE";
       t.f->NameEditBox->Text = "Jürgen Groß °";
       t.f->CustEditBox->Text = "Łódź; 水 😀";
       t.f->LineEditBox->Text = "%3B;%7E~";
       t.f->AssignfluidParams();
     }},
    {"absolute pressures, superheated steam in MPa and kg/h",
     [](Files& t) {
       t.Click(t.f->AbsRadButt, &TGlobemain::AbsRadButtClick);
       t.SelectFluid("Steam", "Superheated Steam");
       t.Select(t.f->P1Combo, "mega pascal", &TGlobemain::P1ComboChange);
       t.Select(t.f->TempUnitCombo, "°C", &TGlobemain::TempUnitComboChange);
       t.Select(t.f->FlowCombo, "Kilograms per Hour", &TGlobemain::FlowComboChange);
       t.Condition(0, "1.2", "0.6", "250", "900");
       t.Condition(2, "1.5", "0.4", "300", "1500");
       t.f->AssignfluidParams();
     }},
    {"a fresh form with no fluid chosen", [](Files& t) { t.f->FluidCombo->ItemIndex = -1; }},
    {"entries saved half typed",
     [](Files& t) {
       t.Condition(0, "100", "80", "60", "10");
       t.Condition(1, "-", "1.2.", "-", ".");
       t.f->AssignfluidParams();
       t.f->ViscMaxEdit->Text = "-";
     }},
    {"a user liquid the next session does not know",
     [](Files& t) {
       t.Select(t.f->P1Combo, "bar", &TGlobemain::P1ComboChange);
       t.Condition(0, "10", "5", "40", "3");
       t.EnterUserFluid("Liquid", "Brine; 20% ~ salt", "1.15", "1.8", "2", "200", false);
       t.f->AssignfluidParams();
     }},
};

}  // namespace

// ---- Sizing files ----

// A sizing downloaded, the form changed (another sizing, or a new session), the file uploaded:
// the form writes the very record it wrote before.
TEST_F(Files, EverySizingComesBackFromItsFile) {
  const std::size_t n = std::size(Scenarios);
  for (std::size_t i = 0; i < n; ++i) {
    const Scenario& s = Scenarios[i];
    Open();
    s.make(*this);
    Render();
    const std::string record = f->BuildSizingString();
    const std::string file = sizing::EncodeFile(record);
    const std::vector<std::string> grid = Grid();
    const std::vector<std::string> inputs = Inputs();

    Open();
    Scenarios[(i + 1) % n].make(*this);
    Render();
    ASSERT_NE(f->BuildSizingString(), record) << s.what;
    Messages();
    Upload(file);
    EXPECT_EQ(f->BuildSizingString(), record) << s.what << ", over another sizing";
    EXPECT_EQ(Grid(), grid) << s.what << ", over another sizing";

    Open();
    Upload(file);
    EXPECT_EQ(f->BuildSizingString(), record) << s.what << ", in a new session";
    EXPECT_EQ(Grid(), grid) << s.what << ", in a new session";
    const std::vector<std::string> back = Inputs();
    ASSERT_EQ(back.size(), inputs.size()) << s.what;
    for (std::size_t k = 0; k < back.size(); ++k) EXPECT_EQ(back[k], inputs[k]) << s.what << ", in a new session";
    for (const std::string& m : Messages()) EXPECT_EQ(m.find("cannot be loaded"), std::string::npos) << m;
  }
}

TEST_F(Files, TheDownloadIsTheRecordAsAFileNamedByTheUser) {
  Scenarios[0].make(*this);
  Render();
  f->SaveAsMenuItemClick(nullptr);
  EXPECT_TRUE(f->Filesaveregion->Visible);
  EXPECT_FALSE(f->LoadFileRegion->Visible);
  f->Filenameedit->Text = "";
  f->FileSaveButtonClick(f->FileSaveButton);
  EXPECT_EQ(app->TakeDownload(), "") << "no name, no file";
  EXPECT_TRUE(f->Filesaveregion->Visible);

  f->Filenameedit->Text = "../Gate \"A\"\r\nX";
  f->FileSaveButtonClick(f->FileSaveButton);
  const std::string address = app->TakeDownload();
  ASSERT_FALSE(address.empty());
  EXPECT_FALSE(f->Filesaveregion->Visible);
  // The file itself: the record in the 8-bit code page, served once with a clean name.
  const std::string record = f->BuildSizingString();
  const std::vector<std::string> fields = Fields(record);
  ASSERT_EQ(fields.size(), 34u);
  EXPECT_EQ(fields[1], "-1");
  EXPECT_EQ(fields[2], "-1");
  EXPECT_EQ(fields[5], "1.50");
  EXPECT_EQ(fields[29], "VXGate");
  EXPECT_EQ(fields[32], "Gauge");
  EXPECT_EQ(fields[33], "1~1.15~0.26~3206~~~~") << "the Norm and Max property edits";
  EXPECT_EQ(web::ContentDisposition(false, "../Gate \"A\"\r\nX.kvs"), "inline; filename=\"Gate AX.kvs\"");
}

TEST_F(Files, PanelsShowAndHide) {
  f->LoadSizingMenuItemClick(nullptr);
  EXPECT_TRUE(f->LoadFileRegion->Visible);
  EXPECT_TRUE(f->Loadfileedit->ButtonVisible);
  f->SaveBtnClick(f->SaveBtn);
  EXPECT_TRUE(f->Filesaveregion->Visible);
  EXPECT_FALSE(f->LoadFileRegion->Visible);
  f->FilecancelbuttClick(nullptr);
  EXPECT_FALSE(f->Filesaveregion->Visible);
  f->LoadSizingMenuItemClick(nullptr);
  f->LoadCancelClick(nullptr);
  EXPECT_FALSE(f->LoadFileRegion->Visible);
  EXPECT_EQ(f->Loadfileedit->Accept, ".kvs");
  EXPECT_EQ(f->SaveBtn->Hint, "Save Sizing");
  EXPECT_EQ(f->LoadBtn->Hint, "Load Sizing");
  EXPECT_NE(f->LoadBtn->ScriptOnClick.find("Loadfileedit"), std::string::npos);
}

TEST_F(Files, ABadFileChangesNothingAndSaysWhyOnce) {
  Scenarios[1].make(*this);
  Render();
  const std::string before = f->BuildSizingString();
  Messages();
  const std::string good = sizing::EncodeFile(before);
  std::string junk;
  for (int i = 0; i < 700; ++i) junk += static_cast<char>((i * 37 + 5) % 256);
  const std::vector<std::string> fields = Fields(good);
  auto with = [&](std::size_t k, const std::string& v) {
    std::vector<std::string> g = fields;
    g[k] = v;
    std::string out;
    for (std::size_t i = 0; i < g.size(); ++i) out += (i ? ";" : "") + g[i];
    return out;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"truncated", good.substr(0, good.size() * 2 / 3)},
      {"35 fields", good + ";extra"},
      {"letters in a number", with(13, "12x")},
      {"a yes/no field", with(27, "perhaps")},
      {"an unknown pressure unit", with(11, "furlongs")},
      {"binary junk", junk},
      {"2 MB", std::string(2 * 1024 * 1024, '7')},
  };
  for (const auto& c : cases) {
    f->LoadSizingMenuItemClick(nullptr);
    Upload(c.bytes, "bad <b>name</b>.kvs");
    EXPECT_EQ(f->BuildSizingString(), before) << c.what;
    const std::vector<std::string> m = Messages();
    ASSERT_EQ(m.size(), 1u) << c.what;
    EXPECT_EQ(m[0].rfind("The file \"bad <b>name</b>.kvs\" cannot be loaded: ", 0), 0u) << m[0];
    EXPECT_TRUE(f->LoadFileRegion->Visible) << "the panel stays for another try";
  }
}

TEST_F(Files, PipeSizesWrittenWithoutALeadingZeroGetOne) {
  Scenarios[0].make(*this);
  f->LinkDiamsCB->Checked = false;
  f->LinkDiamsCBChange(f->LinkDiamsCB);
  Render();
  std::vector<std::string> fields = Fields(f->BuildSizingString());
  fields[22] = ".75 in";
  fields[23] = ".5 in";
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) record += (i ? ";" : "") + fields[i];
  Open();
  Upload(sizing::EncodeFile(record));
  EXPECT_EQ(f->UpDiamEdit->Text, "0.75 in");
  EXPECT_EQ(f->DownDiamEdit->Text, "0.5 in");
  EXPECT_FALSE(f->LinkDiamsCB->Checked);
}

TEST_F(Files, ANewLiquidIsRegisteredWithItsPressuresInPsi) {
  std::vector<std::string> fields = Fields(f->BuildSizingString());
  fields[3] = "Liquid";
  fields[4] = "Tar~1.2~200~0~30~0~2~60~0~0~1~°F";
  fields[11] = "bar";
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) record += (i ? ";" : "") + fields[i];
  const int before = S->LiqMatData.Name.Count();
  ASSERT_TRUE(f->LoadSizingString(record));
  EXPECT_EQ(S->LiqMatData.Name.Count(), before + 1);
  EXPECT_EQ(S->LiqMatData.Name.Strings(0), "Tar");
  EXPECT_EQ(S->LiqMatData.VapPress.Strings(0), "29");
  EXPECT_EQ(S->LiqMatData.CritPress.Strings(0), "2900");
  EXPECT_EQ(f->FluidCombo->Text(), "Tar");
  // Loaded again: no second entry.
  ASSERT_TRUE(f->LoadSizingString(record));
  EXPECT_EQ(S->LiqMatData.Name.Count(), before + 1);
}

TEST_F(Files, ARecordWithoutStyleKeepsTheStyleAndItsCustomerAndLineItem) {
  Scenarios[0].make(*this);
  f->CustEditBox->Text = "ACME";
  f->LineEditBox->Text = "7";
  Render();
  // As an older writer wrote it: no pressure mode, and no style field (31 fields).
  std::vector<std::string> fields = Fields(f->BuildSizingString());
  fields.resize(32);
  fields.erase(fields.begin() + 29);
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) record += (i ? ";" : "") + fields[i];
  Open();
  Click(f->LowflowRB, &TGlobemain::LowflowRBClick);
  ASSERT_TRUE(f->LoadSizingString(record));
  EXPECT_TRUE(f->LowflowRB->Checked());
  EXPECT_EQ(f->CustEditBox->Text, "ACME");
  EXPECT_EQ(f->LineEditBox->Text, "7");
}

// A record carries its pressure mode; one of an older writer, which kept none, leaves the form's
// as loading always did.
TEST_F(Files, ThePressureModeComesWithTheRecordAndOlderRecordsKeepTheForms) {
  Scenarios[0].make(*this);
  Render();
  std::vector<std::string> fields = Fields(f->BuildSizingString());
  ASSERT_EQ(fields[32], "Gauge");
  auto join = [](const std::vector<std::string>& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) out += (i ? ";" : "") + v[i];
    return out;
  };
  const std::string gauge = join(fields);
  fields.resize(32);
  const std::string older = join(fields);

  Open();
  Click(f->AbsRadButt, &TGlobemain::AbsRadButtClick);
  ASSERT_TRUE(f->LoadSizingString(gauge));
  EXPECT_TRUE(f->GageRadButt->Checked());
  EXPECT_FALSE(f->AbsRadButt->Checked());
  EXPECT_TRUE(S->GageP);

  Click(f->AbsRadButt, &TGlobemain::AbsRadButtClick);
  ASSERT_TRUE(f->LoadSizingString(older));
  EXPECT_TRUE(f->AbsRadButt->Checked());
  EXPECT_FALSE(S->GageP);
}

// ---- User fluids ----

TEST_F(Files, AUserLiquidIsStoredInPsiAtTheTopOfEveryList) {
  Select(f->P1Combo, "bar", &TGlobemain::P1ComboChange);
  const int n = S->LiqMatData.Name.Count();
  EnterUserFluid("Liquid", "Brine", "1.2", "1.5", "2", "100", false);
  EXPECT_TRUE(Messages().empty());
  for (const StringList* l : {&S->LiqMatData.Name, &S->LiqMatData.SG, &S->LiqMatData.CritPress,
                              &S->LiqMatData.CritTemp, &S->LiqMatData.Visc, &S->LiqMatData.SpecHeat,
                              &S->LiqMatData.VapPress, &S->LiqMatData.Temperature, &S->LiqMatData.Compress,
                              &S->LiqMatData.NonAmbient, &S->LiqMatData.Superheatfactor, &S->LiqMatData.Fluid,
                              &S->LiqMatData.Scale})
    EXPECT_EQ(l->Count(), n + 1) << "the lists stay in step";
  EXPECT_EQ(S->LiqMatData.Name.Strings(0), "Brine");
  EXPECT_EQ(S->LiqMatData.VapPress.Strings(0), "29");
  EXPECT_EQ(S->LiqMatData.CritPress.Strings(0), "1450");
  EXPECT_EQ(S->LiqMatData.SG.Strings(0), "1.2");
  EXPECT_EQ(f->FluidCombo->Text(), "Brine");
  EXPECT_FALSE(f->UFRectangle->Visible);
  EXPECT_TRUE(SetCookies().empty()) << "Apply alone stores no cookie";
}

TEST_F(Files, ADuplicateNameIsRefusedWhateverTheListShows) {
  const int liquids = S->LiqMatData.Name.Count(), gases = S->GasMatData.Name.Count();
  EnterUserFluid("Liquid", "wATER", "1", "1", "1", "1", true);
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0], "wATER duplicates a liquid already stored in the database.\r\nPlease choose an aternate name.");
  EnterUserFluid("Gas", "Helium", "0.14", "0.02", "1.6", "1", true);
  m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("duplicates a gas"), std::string::npos);
  EXPECT_EQ(S->LiqMatData.Name.Count(), liquids);
  EXPECT_EQ(S->GasMatData.Name.Count(), gases);
  EXPECT_TRUE(SetCookies().empty());
}

TEST_F(Files, AnEntryThatIsNoNumberStoresNothing) {
  const int n = S->LiqMatData.Name.Count();
  EnterUserFluid("Liquid", "Slurry", "heavy", "1", "1", "1", true);
  const std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("\"heavy\" is not a number"), std::string::npos) << m[0];
  EXPECT_EQ(S->LiqMatData.Name.Count(), n);
  EXPECT_TRUE(SetCookies().empty());
}

TEST_F(Files, ApplyAndSaveWritesANewCookieAfterTheHighestNumber) {
  Request({{"UserFluid1", "x"}, {"UserFluid4", "y"}, {"Other", "z"}});
  EnterUserFluid("Liquid", "a b,c", "1.1", "2", "0.5", "300", true);
  const Cookies set = SetCookies();
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].first, "UserFluid5");
  EXPECT_EQ(set[0].second, web::CookieEncode("aqqabqqbc,Liquid,60,F,0.5,300,2,1.1,1"));
  const std::string h = app->Response().Cookies.Headers()[0];
  EXPECT_NE(h.find("; Path=/; Expires="), std::string::npos) << h;
  EXPECT_EQ(h.find("HttpOnly"), std::string::npos);
}

TEST_F(Files, SavedFluidsComeBackInANewSessionOnceEach) {
  EnterUserFluid("Liquid", "Brine 20%", "1.15", "1.8", "0.3", "250", true);
  Cookies jar = SetCookies();
  Request(jar);
  EnterUserFluid("Gas", "Biogas, wet", "0.9", "0.012", "1.3", "0.98", true);
  for (const auto& c : SetCookies()) jar.push_back(c);
  ASSERT_EQ(jar.size(), 2u);
  EXPECT_EQ(jar[1].first, "UserFluid2");

  jar.push_back({"UserFluid3", "Bad%2CLiquid%2C60"});                                   // too few fields
  jar.push_back({"UserFluid4", "Odd%2CLiquid%2C60%2CF%2C1%2C1%2Cthick%2C1%2C1"});       // not a number
  Open(jar);
  Messages();
  const int liquids = S->LiqMatData.Name.Count(), gases = S->GasMatData.Name.Count();
  f->LoadUserfluids1Click(nullptr);
  const std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("UserFluid3: it has 3 fields"), std::string::npos) << m[0];
  EXPECT_NE(m[0].find("UserFluid4: its viscosity \"thick\" is not a number"), std::string::npos) << m[0];
  EXPECT_EQ(S->LiqMatData.Name.Strings(0), "Brine 20%");
  EXPECT_EQ(S->LiqMatData.VapPress.Strings(0), "0.3");
  EXPECT_EQ(S->GasMatData.Name.Strings(0), "Biogas, wet");
  EXPECT_EQ(S->GasMatData.SpecHeat.Strings(0), "1.3");
  EXPECT_EQ(S->GasMatData.Compress.Strings(0), "0.98");
  EXPECT_EQ(Items(S->CustomMaterial), (std::vector<std::string>{"Brine 20%", "Biogas, wet"}));
  EXPECT_EQ(Items(S->CustomFluid), (std::vector<std::string>{"Liquid", "Gas"}));
  EXPECT_EQ(S->UserMaterialList.Count(), 2);
  for (const TMatData* d : {&S->LiqMatData, &S->GasMatData})
    for (const StringList* l : {&d->SG, &d->CritPress, &d->Visc, &d->SpecHeat, &d->VapPress, &d->Temperature,
                                &d->Compress, &d->NonAmbient, &d->Fluid, &d->Scale})
      EXPECT_EQ(l->Count(), d->Name.Count()) << "the lists stay in step";
  // The fluid list shows the liquid; loading again adds nothing.
  Render();
  EXPECT_EQ(f->FluidCombo->Items[0], "Brine 20%");
  f->LoadUserfluids1Click(nullptr);
  EXPECT_EQ(S->LiqMatData.Name.Count(), liquids + 1);
  EXPECT_EQ(S->GasMatData.Name.Count(), gases + 1);
}

TEST_F(Files, WithoutSavedFluidsTheUserIsToldAndNothingChanges) {
  const int n = S->LiqMatData.Name.Count();
  f->LoadUserfluids1Click(nullptr);
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "You have no saved fluids or cookies are not enabled or working on this computer."});
  EXPECT_EQ(S->LiqMatData.Name.Count(), n);
}

// ---- Preferences ----

namespace {

// The preference cookie the settings page writes for the form's current state.
std::string SavePreferences(Files& t, TGlobemain* f, const std::function<void(TPrefForm&)>& set) {
  f->Preferences1Click(nullptr);
  TPrefForm& p = *f->fPrefForm;
  EXPECT_EQ(f->Application().ActiveForm(), &p);
  set(p);
  p.AutoloadSizingButtonClick(p.AutoloadSizingButton);
  EXPECT_EQ(f->Application().ActiveForm(), f);
  (void)t;
  const std::string h = f->Application().Response().Cookies.Headers().at(0);
  return h.substr(h.find('=') + 1, h.find(';') - h.find('=') - 1);
}

}  // namespace

TEST_F(Files, PreferencesAndThePresetApplyInTheNextSession) {
  EnterUserFluid("Gas", "Syngas", "0.6", "0.015", "1.35", "0.99", true);
  Cookies jar = SetCookies();
  Request(jar);
  Scenarios[1].make(*this);
  Render();
  const std::string preset = f->BuildSizingString();
  const std::string wire = SavePreferences(*this, f, [](TPrefForm& p) {
    p.NameEdit->Text = "Jo + Ann; \"QA\"?";
    p.CompanyEdit->Text = "Ölwerk ~ 100%";
    p.EmailApplyCheck->Checked = false;
  });
  jar.push_back({cookies::PreferenceCookieName, wire});

  Open(jar);
  EXPECT_EQ(f->BuildSizingString(), preset) << "the preset sizing is on the form";
  EXPECT_EQ(S->GasMatData.Name.Strings(0), "Syngas") << "the user fluids are loaded";
  EXPECT_TRUE(S->AutoloadFluids);
  EXPECT_TRUE(S->Loadpreset);
  EXPECT_EQ(S->Prefs.Name, "Jo + Ann; \"QA\"?");
  EXPECT_TRUE(S->Prefs.NameApply);
  EXPECT_EQ(f->fPrefForm->NameEdit->Text, "Jo + Ann; \"QA\"?");
  EXPECT_EQ(S->Prefs.Company, "Ölwerk ~ 100%");
  EXPECT_FALSE(S->Prefs.EmailApply);
  EXPECT_FALSE(f->fPrefForm->EmailApplyCheck->Checked);
  EXPECT_TRUE(Messages().empty());
  // Only the first render applies them.
  f->fPrefForm->NameEdit->Text = "changed";
  Render();
  EXPECT_EQ(f->fPrefForm->NameEdit->Text, "changed");
}

TEST_F(Files, PreferencesWithEveryFlagOffLoadNothing) {
  EnterUserFluid("Liquid", "Brine", "1.2", "1.5", "2", "100", true);
  Cookies jar = SetCookies();
  Request(jar);
  const std::string wire = SavePreferences(*this, f, [](TPrefForm& p) {
    for (TIWCheckBox* b : {p.NameApplyCheck, p.EmailApplyCheck, p.CompanyApplyCheck, p.ContactApplyCheck,
                           p.RepDateApplyCheck, p.AutoloadFluidsCB, p.LoadPresetCB})
      b->Checked = false;
  });
  jar.push_back({cookies::PreferenceCookieName, wire});
  Open(jar);
  EXPECT_EQ(S->LiqMatData.Name.IndexOf("Brine"), -1);
  for (TIWCheckBox* b : {f->fPrefForm->NameApplyCheck, f->fPrefForm->EmailApplyCheck, f->fPrefForm->CompanyApplyCheck,
                         f->fPrefForm->ContactApplyCheck, f->fPrefForm->RepDateApplyCheck,
                         f->fPrefForm->AutoloadFluidsCB, f->fPrefForm->LoadPresetCB})
    EXPECT_FALSE(b->Checked) << b->Name();
  EXPECT_TRUE(f->GateRB->Checked());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Files, AShortPreferenceCookieAppliesWhatItHasAndSaysWhatItLacks) {
  // Items 1 to 8: no fluids, no preset, advanced tools with recursive Fʟ, name applied.
  Open({{cookies::PreferenceCookieName, "%3B0%3B0%3Bx%3B-1%3B0%3B-1%3B-1%3BJo+Ann"}});
  EXPECT_EQ(S->Prefs.Name, "Jo Ann");
  EXPECT_TRUE(S->Prefs.NameApply);
  EXPECT_TRUE(S->AutoloadAdvTools);
  const std::vector<std::string> m = Messages();
  const std::string settings = "An error has occurred autoloading your settings preference";
  EXPECT_EQ(m, (std::vector<std::string>{"*Note*  Recursive Fʟ is enabled", settings, settings, settings, settings}));
  // A cookie of nothing but junk says so for each step and changes nothing else.
  Open({{cookies::PreferenceCookieName, "%25%%zz"}});
  EXPECT_EQ(Messages().size(), 8u);
  EXPECT_TRUE(f->GateRB->Checked());
}

TEST_F(Files, APresetThatCannotBeReadIsIgnoredSilently) {
  const std::string wire = web::CookieEncode(cookies::FormatPreferences(
      {"", "0", "-1", "VXGlobe;-1;broken", "0", "0", "0", "-1", "", "-1", "", "-1", "", "-1", "", "-1", "Pref 8"}));
  Open({{cookies::PreferenceCookieName, wire}});
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(f->GateRB->Checked());
  EXPECT_TRUE(S->Loadpreset);
}
