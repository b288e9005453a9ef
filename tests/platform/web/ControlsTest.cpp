#include "platform/web/Application.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/rt/SysUtils.h"

using namespace web;

namespace {

struct TAllControlsForm : TIWAppForm {
  explicit TAllControlsForm(TIWApplication& app) : TIWAppForm(app) {
    Name = "AllControls";
    auto* region = Add<TIWRegion>("Panel");
    region->SetBounds(10, 20, 300, 200);
    region->ZIndex = 6000;
    auto* label = Add<TIWLabel>("TitleLabel", region);
    label->Caption = "Line 1\r\n<b>Line 2</b>";
    label->SetBounds(5, 6, 100, 30);
    auto* edit = Add<TIWEdit>("P1MinEdit");
    edit->Text = "12\"5";
    auto* combo = Add<TIWComboBox>("FlowCombo");
    combo->Items = {"gpm", "m3/h", "l/<min>"};
    combo->ItemIndex = 1;
    auto* none = Add<TIWComboBox>("EmptyCombo");
    none->Items = {"a"};
    auto* rb = Add<TIWRadioButton>("GateRB");
    rb->Caption = "Gate";
    rb->Group = "Style";
    rb->SetChecked(true);
    auto* cb = Add<TIWCheckBox>("LinkDiamsCB");
    cb->Caption = "Link";
    Add<TIWButton>("CalcButton")->Caption = "Calculate";
    auto* img = Add<TIWImageFile>("IWImageFile4");
    img->ImageFile = "Help Desk.png";
    auto* memo = Add<TIWMemo>("Memo1");
    memo->Lines = {"", "note"};
    memo->Editable = false;
    auto* grid = Add<TIWGrid>("ResultsGrid");
    grid->SetRowCount(3);
    grid->SetColumnCount(2);
    grid->Cell(2, 1).Text = "r2c1";
    grid->Cell(0, 0).Text = "hidden";
    grid->Cell(0, 0).Visible = false;
    auto* hidden = Add<TIWLabel>("HiddenLabel");
    hidden->Visible = false;
    auto* centred = Add<TIWRegion>("Centred");
    centred->SetBounds(299, 20, 1000, 669);
    centred->Anchors = akTop;
    auto* odd = Add<TIWRegion>("CentredOdd");
    odd->SetBounds(0, 5, 301, 40);
    odd->Anchors = akTop;
  }
};

std::string Render(const TIWAppForm& f) {
  THtml h;
  f.Render(h);
  return h.Take();
}

bool Has(const std::string& html, const std::string& re) { return std::regex_search(html, std::regex(re)); }

}  // namespace

TEST(Controls, EachControlRendersAsItsNaturalElementCarryingItsName) {
  TIWApplication app;
  auto* form = app.CreateForm<TAllControlsForm>();
  const std::string html = Render(*form);
  struct Case {
    const char* what;
    const char* pattern;
  } cases[] = {
      {"region with position and z-index",
       R"(<div id="Panel" data-k="\d+" class="iw" style="left:10px;top:20px;width:300px;height:200px;z-index:6000;")"},
      {"label inside region, text escaped, line break kept", R"(<div id="Panel"[^>]*><span id="TitleLabel"[^>]*>Line 1\n&lt;b&gt;Line 2&lt;/b&gt;</span>)"},
      {"edit", R"(<input id="P1MinEdit"[^>]* type="text" data-v="1" value="12&quot;5">)"},
      {"combo options carry the items",
       R"(<select id="FlowCombo"[^>]*><option value="0">gpm</option><option value="1" selected>m3/h</option><option value="2">l/&lt;min&gt;</option></select>)"},
      {"combo without selection", R"(<select id="EmptyCombo"[^>]* data-none="1">)"},
      {"radio", R"(<input type="radio" id="GateRB"[^>]* name="g_Style" checked>)"},
      {"check box", R"(<input type="checkbox" id="LinkDiamsCB")"},
      {"button", R"(<button id="CalcButton"[^>]* type="button">Calculate</button>)"},
      {"image file", R"(<img id="IWImageFile4"[^>]* src="/files/Help%20Desk.png")"},
      {"memo keeps a leading empty line", R"(<textarea id="Memo1"[^>]* readonly>\n\nnote</textarea>)"},
      {"grid rows and cells", R"(<table id="ResultsGrid"[^>]*><tbody><tr><td[^>]*></td><td[^>]*></td></tr><tr>(<td[^>]*></td>){2}</tr><tr><td[^>]*></td><td[^>]*>r2c1</td></tr></tbody></table>)"},
      {"centred region never left of the edge", R"(id="Centred"[^>]*style="left:max\(0px,calc\(50% - 500px\)\);top:20px)"},
      {"centred region of odd width keeps the half pixel",
       R"(id="CentredOdd"[^>]*style="left:max\(0px,calc\(50% - 150.5px\)\);top:5px;width:301px;height:40px;")"},
  };
  for (const auto& c : cases) EXPECT_TRUE(Has(html, c.pattern)) << c.what << "\n" << html;
  EXPECT_EQ(html.find("HiddenLabel"), std::string::npos) << "invisible controls are left out by default";

  form->RenderInvisibleControls = true;
  EXPECT_TRUE(Has(Render(*form), R"(<span id="HiddenLabel"[^>]*display:none;)"));
}

TEST(Controls, RadioButtonsOfAGroupExcludeEachOther) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* region = form->Add<TIWRegion>("R");
  auto* a = form->Add<TIWRadioButton>("A", region);
  auto* b = form->Add<TIWRadioButton>("B");
  auto* other = form->Add<TIWRadioButton>("C");
  a->Group = b->Group = "Style";
  other->Group = "Mode";
  other->SetChecked(true);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other->Checked());
}

TEST(Controls, ComboTextSelectsByExactText) {
  TIWComboBox c("C");
  c.Items = {"psi", "bar", "kPa"};
  c.SetText("bar");
  EXPECT_EQ(c.ItemIndex, 1);
  EXPECT_EQ(c.Text(), "bar");
  c.SetText("Bar");
  EXPECT_EQ(c.ItemIndex, -1);
  EXPECT_EQ(c.Text(), "");
}

TEST(Controls, GridKeepsCellsWhenResizedAndChecksIndexes) {
  TIWGrid g("G");
  g.SetRowCount(10);
  g.SetColumnCount(5);
  g.Cell(5, 4).Text = "x";
  g.Cell(8, 2).Text = "gone";
  g.SetRowCount(6);
  EXPECT_EQ(g.Cell(5, 4).Text, "x");
  g.SetRowCount(10);
  EXPECT_EQ(g.Cell(8, 2).Text, "");
  EXPECT_THROW(g.Cell(10, 0), rt::EListError);
  EXPECT_THROW(g.Cell(0, -1), rt::EListError);
}

TEST(Controls, FramesAndRegionsCanBeFreedInEitherOrder) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* region = form->Add<TIWRegion>("DataRegion1");
  auto* frame = app.Add<TIWFrame>("Memoframe1", region);
  frame->Add<TIWButton>("IWButton1");
  ASSERT_EQ(region->Controls().size(), 1u);
  EXPECT_NE(region->FindControl("IWButton1"), nullptr);
  app.FreeComponent(frame);
  EXPECT_TRUE(region->Controls().empty());

  auto* frame2 = app.Add<TIWFrame>("Memoframe2", region);
  form->FreeComponent(region);
  EXPECT_EQ(frame2->Parent(), nullptr);
}

TEST(Forms, ShowRemoveAndReleaseMoveBetweenForms) {
  TIWApplication app;
  auto* first = app.CreateForm<TIWAppForm>();
  first->Show();
  auto* second = app.CreateForm<TIWAppForm>();
  second->Show();
  EXPECT_EQ(app.ActiveForm(), second);
  app.RemoveForm(second);
  EXPECT_EQ(app.ActiveForm(), first);
  second->Show();
  second->Release();
  EXPECT_EQ(app.ActiveForm(), first);
  app.FlushReleased();
  EXPECT_EQ(app.ActiveForm(), first);
}

TEST(Forms, ApplicationFreesFormsBeforeItsData) {
  struct TData : TIWUserSessionBase {
    bool* alive;
    explicit TData(bool* a) : alive(a) { *alive = true; }
    ~TData() override { *alive = false; }
  };
  static bool dataAlive = false;
  static bool dataAliveWhenFormFreed = false;
  struct TForm : TIWAppForm {
    using TIWAppForm::TIWAppForm;
    ~TForm() override { dataAliveWhenFormFreed = dataAlive; }
  };
  {
    TIWApplication app;
    app.SetData(std::make_unique<TData>(&dataAlive));
    app.CreateForm<TForm>()->Show();
  }
  EXPECT_TRUE(dataAliveWhenFormFreed);
  EXPECT_FALSE(dataAlive);
}

TEST(Application, WebApplicationFollowsTheCurrentScope) {
  EXPECT_THROW(WebApplication(), rt::Exception);
  TIWApplication a, b;
  {
    TCurrentApplicationScope sa(&a);
    EXPECT_EQ(WebApplication(), &a);
    {
      TCurrentApplicationScope sb(&b);
      EXPECT_EQ(WebApplication(), &b);
    }
    EXPECT_EQ(WebApplication(), &a);
  }
  EXPECT_EQ(CurrentApplication(), nullptr);
}

TEST(Application, NewWindowAsksForNamedWindowWithItsOptions) {
  TIWApplication app;
  app.NewWindow("/files/help.html?a=\"1\"</script>", "Help Desk", woScrollBars | woResizable);
  const auto init = app.TakeInitProcs();
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0],
            R"(NewWindow("/files/help.html?a=\"1\"\u003c/script\u003e", "Help Desk","toolbar=no,status=no,menubar=no,scrollbars=yes,resizable=yes");)");
  EXPECT_TRUE(app.TakeInitProcs().empty());
}

TEST(Controls, PasswordEditsPicturesByAddressAndClickablePictures) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* pass = form->Add<TIWEdit>("UserPasswordEdit");
  pass->PasswordPrompt = true;
  pass->Text = "s3cret";
  auto* page = form->Add<TIWImage>("PageImage1");
  page->SetPictureURL("/cache/abc");
  page->OnMouseDown = [](TIWControl*, int, int, rt::TShiftState) {};
  auto* chart = form->Add<TIWImage>("ChartImage");
  chart->SetPicture("<svg/>", "image/svg+xml");
  chart->OnClick = [](TIWControl*) {};
  const std::string html = Render(*form);
  EXPECT_TRUE(Has(html, R"(<input id="UserPasswordEdit"[^>]* type="password" autocomplete="off" data-v="1" value="s3cret">)")) << html;
  EXPECT_TRUE(Has(html, R"(<img id="PageImage1"[^>]* src="/cache/abc" alt="" data-xy="1">)")) << html;
  EXPECT_TRUE(Has(html, R"(<img id="ChartImage"[^>]* src="data:image/svg\+xml;base64,[^"]+" alt="" data-click="1">)")) << html;
  page->SetPicture("x", "image/png");
  EXPECT_EQ(page->PictureURL(), "") << "bytes replace the address";
}

TEST(Controls, PictureButtonsAndPointerAreasOfPictures) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* print = form->Add<TIWButton>("PrintB");
  print->Caption = "Print";
  print->Hint = "Print \"now\"";
  print->PictureURL = "/cache/p16";
  print->LargePictureURL = "/cache/p24";
  auto* page = form->Add<TIWImage>("PageImage1");
  page->StatusControl = "MessageBar";
  page->PointerAreas = {{1, 2, 30, 40, "a <b>\"hint\"", "http://x/?a=1&b=2", true},
                        {0, 0, 5, 5, std::string(TIWImage::MaxAreaTextBytes - 1, 'x') + "\xC3\xA9", "", false}};
  auto* uploader = form->Add<TIWFileUploader>("PasteUploader");
  form->PasteTarget = uploader;
  std::string html = Render(*form);
  EXPECT_TRUE(Has(html, R"(<button id="PrintB"[^>]*><img src="/cache/p16" srcset="/cache/p16 1x, /cache/p24 1\.5x" width="16" height="16" alt="Print &quot;now&quot;"></button>)")) << html;
  EXPECT_TRUE(Has(html, R"(data-areas="\[\[1,2,30,40,&quot;a \\u003cb\\u003e\\&quot;hint\\&quot;&quot;,&quot;http://x/\?a=1\\u0026b=2&quot;,1\],\[0,0,5,5,&quot;x+&quot;,&quot;&quot;,0\]\]" data-status="MessageBar")")) << "a character that would pass the limit is left out whole: " << html;
  EXPECT_TRUE(Has(html, "data-paste=\"" + std::to_string(uploader->Key()) + "\"")) << html;
  page->PointerAreas.assign(TIWImage::MaxPointerAreas + 5, TIWPointerArea{0, 0, 1, 1, "h", "", false});
  html = Render(*form);
  std::size_t n = 0;
  for (std::size_t at = html.find(",0]"); at != std::string::npos; at = html.find(",0]", at + 1)) ++n;
  EXPECT_EQ(n, TIWImage::MaxPointerAreas);
}

TEST(Controls, TreeViewShowsOpenNodesAndAnswersClicksAndToggles) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* tree = form->Add<TIWTreeView>("OutlineTree");
  TIWTreeNode* first = tree->Add("Data <sheet>", 1);
  TIWTreeNode* inner = first->Add("Results", 2);
  tree->Add("Chart", 3);
  TIWTreeNode* clicked = nullptr;
  tree->OnClick = [&](TIWControl*, TIWTreeNode* n) { clicked = n; };

  std::string html = Render(*form);
  EXPECT_TRUE(Has(html, R"(<div id="OutlineTree"[^>]* data-tree="1"><ul><li><span class="iwTwist" data-node="\d+" data-toggle="1">)"))
      << html;
  EXPECT_TRUE(Has(html, "Data &lt;sheet&gt;"));
  EXPECT_EQ(html.find("Results"), std::string::npos) << "a closed node's children are not shown";

  TIWBrowserEvent toggle;
  toggle.Type = "toggle";
  toggle.Item = first->Key();
  tree->HandleEvent(toggle);
  EXPECT_TRUE(first->Expanded);
  EXPECT_EQ(clicked, nullptr) << "opening a node is no click";
  TIWBrowserEvent click;
  click.Type = "node";
  click.Item = inner->Key();
  tree->HandleEvent(click);
  EXPECT_EQ(clicked, inner);
  EXPECT_EQ(tree->Selected(), inner);
  html = Render(*form);
  EXPECT_TRUE(Has(html, R"(<span class="iwNode iwSel" data-node="\d+">Results</span>)")) << html;
  click.Item = 999999999;
  clicked = nullptr;
  tree->HandleEvent(click);
  EXPECT_EQ(clicked, nullptr) << "an unknown node is ignored";

  tree->FullCollapse();
  EXPECT_FALSE(first->Expanded);
  tree->FullExpand();
  EXPECT_TRUE(first->Expanded);
  tree->Clear();
  EXPECT_EQ(tree->Selected(), nullptr);
}

TEST(Controls, TreeViewRendersNoDeeperThanItsLimit) {
  TIWApplication app;
  auto* form = app.CreateForm<TIWAppForm>();
  auto* tree = form->Add<TIWTreeView>("OutlineTree");
  TIWTreeNode* n = tree->Add("level 0");
  for (int i = 1; i < 5000; ++i) n = n->Add("level " + std::to_string(i));
  tree->FullExpand();
  const std::string html = Render(*form);
  EXPECT_NE(html.find(">level " + std::to_string(TIWTreeView::MaxDepth - 1) + "<"), std::string::npos);
  EXPECT_EQ(html.find(">level " + std::to_string(TIWTreeView::MaxDepth) + "<"), std::string::npos);
  EXPECT_EQ(tree->FindNode(n->Key()), n) << "finding a node needs no recursion";
}
