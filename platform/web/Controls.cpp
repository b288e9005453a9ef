#include "platform/web/Controls.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <functional>

#include "platform/rt/SysUtils.h"

namespace web {

std::uint64_t NewControlKey() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

std::string TIWEventParams::Values(const std::string& name) const {
  for (const auto& [n, v] : FItems)
    if (n == name) return v;
  return {};
}

THtml& THtml::Attr(std::string_view name, std::string_view value) {
  FOut += ' ';
  FOut.append(name);
  FOut += "=\"";
  AppendHtmlEscaped(FOut, value);
  FOut += '"';
  return *this;
}

namespace {

std::string Px(int v) { return std::to_string(v) + "px"; }

// Appends the decimal text of v.
void AppendInt(std::string& s, int v) {
  char buf[16];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

// Appends "key" v "px;".
void AppendPx(std::string& s, std::string_view key, int v) {
  s += key;
  AppendInt(s, v);
  s += "px;";
}

std::string Base64(const std::string& in) {
  static const char* tbl = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                       static_cast<unsigned char>(in[i + 2]);
    out += tbl[(n >> 18) & 63];
    out += tbl[(n >> 12) & 63];
    out += tbl[(n >> 6) & 63];
    out += tbl[n & 63];
  }
  if (i < in.size()) {
    unsigned n = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) n |= static_cast<unsigned char>(in[i + 1]) << 8;
    out += tbl[(n >> 18) & 63];
    out += tbl[(n >> 12) & 63];
    out += i + 1 < in.size() ? tbl[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// The browser's text has LF line ends; the forms' texts use CR LF.
std::string ToLf(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += '\n';
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

const char* AlignCss(TAlignment a) {
  switch (a) {
    case taCenter: return "text-align:center;";
    case taRightJustify: return "text-align:right;";
    default: return "";
  }
}

std::string FontCss(const TIWFont& f) {
  std::string s;
  if (!f.Name.empty()) {
    std::string name;
    for (char c : f.Name)
      if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '_') name += c;
    s += "font-family:'" + name + "',Arial,sans-serif;";
  }
  if (f.Size > 0) s += "font-size:" + std::to_string(f.Size) + "pt;";
  if (f.Color != clNone) s += "color:" + ColorToCss(f.Color) + ";";
  if (f.Bold) s += "font-weight:bold;";
  if (f.Italic) s += "font-style:italic;";
  if (f.Underline) s += "text-decoration:underline;";
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

// ---- TIWControl ----

TIWControl::TIWControl(std::string name) : FName(std::move(name)), FKey(NewControlKey()) {}

TIWControl::~TIWControl() { SetParent(nullptr); }

void TIWControl::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TIWControl::SetParent(TIWContainer* parent) {
  if (parent == FParent) return;
  if (FParent) {
    auto& list = FParent->FChildren;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  FParent = parent;
  if (FParent) FParent->FChildren.push_back(this);
}

bool TIWControl::IsShowing() const {
  if (!Visible) return false;
  return !FParent || FParent->ContainerShowing();
}

std::string TIWControl::BoxStyle(bool paintColor) const {
  // Every control of every page comes through here: appended in place, no temporaries.
  std::string s;
  s.reserve(80);
  if (!(Anchors & (akLeft | akRight))) {
    // Keeps the horizontal centre in the parent, never left of its edge.
    s += "left:max(0px,calc(50% - ";
    AppendInt(s, Width / 2);
    s += (Width % 2) ? ".5px));" : "px));";
  } else {
    AppendPx(s, "left:", Left);
  }
  AppendPx(s, "top:", Top);
  if (Width > 0) AppendPx(s, "width:", Width);
  if (Height > 0) AppendPx(s, "height:", Height);
  if (ZIndex != 0) {
    s += "z-index:";
    AppendInt(s, ZIndex);
    s += ';';
  }
  if (!Visible) s += "display:none;";
  if (paintColor && Color != clNone) s.append("background-color:").append(ColorToCss(Color)).append(";");
  return s;
}

std::string TIWControl::FontStyle() const { return FontCss(Font); }

void TIWControl::OpenTag(THtml& h, const char* tag, const std::string& extraStyle) const {
  h.Raw("<").Raw(tag);
  h.Attr("id", FName);
  h.Raw(" data-k=\"").Raw(std::to_string(FKey)).Raw("\" class=\"iw\"");
  std::string style = BoxStyle();
  style += FontStyle();
  style += extraStyle;
  h.Attr("style", style);
  if (!Hint.empty()) h.Attr("title", Hint);
  if (!ScriptOnClick.empty()) h.Attr("data-js", ScriptOnClick);
}

// ---- TIWContainer ----

TIWContainer::~TIWContainer() {
  for (TIWControl* c : FChildren) c->FParent = nullptr;
  FChildren.clear();
}

TIWControl* TIWContainer::FindControl(const std::string& name) const {
  TIWControl* found = nullptr;
  ForEachControl([&](TIWControl& c) {
    if (!found && c.Name() == name) found = &c;
  });
  return found;
}

TIWControl* TIWContainer::FindByKey(std::uint64_t key) const {
  TIWControl* found = nullptr;
  ForEachControl([&](TIWControl& c) {
    if (!found && c.Key() == key) found = &c;
  });
  return found;
}

void TIWContainer::ForEachControl(const std::function<void(TIWControl&)>& fn) const {
  for (TIWControl* c : FChildren) {
    fn(*c);
    if (TIWContainer* inner = c->AsContainer()) inner->ForEachControl(fn);
  }
}

void TIWContainer::RenderChildren(THtml& h, const TIWRenderContext& ctx) const {
  for (const TIWControl* c : FChildren)
    if (c->Visible || ctx.RenderInvisible) c->Render(h, ctx);
}

// ---- TIWComponentOwner ----

TIWComponentOwner::~TIWComponentOwner() { FreeAllComponents(); }

void TIWComponentOwner::FreeAllComponents() {
  while (!FComponents.empty()) {
    std::unique_ptr<TIWControl> last = std::move(FComponents.back());
    FComponents.pop_back();
    last.reset();
  }
}

void TIWComponentOwner::FreeComponent(TIWControl* control) {
  auto it = std::find_if(FComponents.begin(), FComponents.end(),
                         [&](const std::unique_ptr<TIWControl>& p) { return p.get() == control; });
  if (it == FComponents.end()) throw rt::EInvalidPointer("The control does not belong to this owner");
  std::unique_ptr<TIWControl> gone = std::move(*it);
  FComponents.erase(it);
}

// ---- Controls ----

void TIWLabel::Render(THtml& h, const TIWRenderContext&) const {
  std::string extra = WordWrap ? "white-space:pre-wrap;" : "white-space:pre;";
  extra += AlignCss(Alignment);
  if (OnClick) extra += "cursor:pointer;";
  OpenTag(h, "span", extra);
  if (OnClick) h.Raw(" data-click=\"1\"");
  h.Raw(">").Text(ToLf(Caption)).Raw("</span>");
}

void TIWLabel::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type == "click" && OnClick) OnClick(this);
}

void TIWEdit::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "input");
  h.Raw(PasswordPrompt ? " type=\"password\" autocomplete=\"off\" data-v=\"1\"" : " type=\"text\" data-v=\"1\"")
      .Attr("value", Text);
  if (ReadOnly) h.Raw(" readonly");
  if (!Enabled) h.Raw(" disabled");
  if (OnAsyncKeyDown) h.Raw(" data-key=\"1\"");
  if (OnAsyncChange) h.Raw(" data-change=\"1\"");
  h.Raw(">");
}

void TIWEdit::HandleEvent(const TIWBrowserEvent& e) {
  const bool key = e.Type == "key";
  if (!(key ? OnAsyncKeyDown : OnAsyncChange) || (!key && e.Type != "change")) return;
  TIWEventParams params;
  params.Add(Name(), Text);
  params.Add("IW_Action", Upper(Name()));
  if (key) params.Add("Which", e.Which);
  (key ? OnAsyncKeyDown : OnAsyncChange)(this, params);
}

std::string TIWComboBox::Text() const {
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(Items.size())) return {};
  return Items[static_cast<std::size_t>(ItemIndex)];
}

void TIWComboBox::SetText(const std::string& text) {
  auto it = std::find(Items.begin(), Items.end(), text);
  ItemIndex = it == Items.end() ? -1 : static_cast<int>(it - Items.begin());
}

void TIWComboBox::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "select");
  h.Raw(" data-v=\"1\"");
  if (!Enabled) h.Raw(" disabled");
  if (OnChange) h.Raw(" data-change=\"1\"");
  const bool none = ItemIndex < 0 || ItemIndex >= static_cast<int>(Items.size());
  if (none) h.Raw(" data-none=\"1\"");
  h.Raw(">");
  for (std::size_t i = 0; i < Items.size(); ++i) {
    h.Raw("<option value=\"").Raw(std::to_string(i)).Raw("\"");
    if (static_cast<int>(i) == ItemIndex) h.Raw(" selected");
    h.Raw(">").Text(Items[i]).Raw("</option>");
  }
  h.Raw("</select>");
}

void TIWComboBox::ApplyValue(const std::string& value) {
  try {
    const int i = std::stoi(value);
    ItemIndex = (i >= 0 && i < static_cast<int>(Items.size())) ? i : -1;
  } catch (const std::exception&) {
    ItemIndex = -1;
  }
}

void TIWComboBox::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type == "change" && OnChange) OnChange(this);
}

void TIWRadioButton::SetChecked(bool value) {
  FChecked = value;
  if (!value || Group.empty()) return;
  // Unchecks the others of the group on the same form.
  TIWContainer* root = Parent();
  while (root && root->AsControl() && root->AsControl()->Parent()) root = root->AsControl()->Parent();
  if (!root) return;
  root->ForEachControl([&](TIWControl& c) {
    if (auto* rb = dynamic_cast<TIWRadioButton*>(&c); rb && rb != this && rb->Group == Group) rb->FChecked = false;
  });
}

namespace {
// Radio buttons and check boxes: a positioned label holding the input (which carries the id).
template <class T>
void RenderCheckable(const T& c, THtml& h, const char* type, const std::string& group, bool checked,
                     const std::string& caption, const std::string& box, const std::string& font) {
  h.Raw("<label class=\"iw iwCheck\"").Attr("style", box + font);
  if (!c.Hint.empty()) h.Attr("title", c.Hint);
  h.Raw("><input type=\"").Raw(type).Raw("\"").Attr("id", c.Name());
  h.Raw(" data-k=\"").Raw(std::to_string(c.Key())).Raw("\" data-v=\"1\" data-change=\"1\"");
  if (!group.empty()) h.Attr("name", "g_" + group);
  if (checked) h.Raw(" checked");
  if (!c.Enabled) h.Raw(" disabled");
  if (!c.ScriptOnClick.empty()) h.Attr("data-js", c.ScriptOnClick);
  h.Raw("><span>").Text(caption).Raw("</span></label>");
}
}  // namespace

void TIWRadioButton::Render(THtml& h, const TIWRenderContext&) const {
  RenderCheckable(*this, h, "radio", Group, FChecked, Caption, BoxStyle(), FontStyle());
}

void TIWRadioButton::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "change" && e.Type != "click") return;
  SetChecked(true);
  if (OnClick) OnClick(this);
}

void TIWCheckBox::Render(THtml& h, const TIWRenderContext&) const {
  RenderCheckable(*this, h, "checkbox", {}, Checked, Caption, BoxStyle(), FontStyle());
}

void TIWCheckBox::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "change" && e.Type != "click") return;
  if (OnClick) OnClick(this);
  if (OnChange) OnChange(this);
}

void TIWButton::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "button");
  h.Raw(" type=\"button\"");
  if (OnClick) h.Raw(" data-click=\"1\"");
  if (!Enabled) h.Raw(" disabled");
  h.Raw(">");
  if (PictureURL.empty()) {
    h.Text(Caption);
  } else {
    const std::string Size = std::to_string(PictureSize);
    h.Raw("<img").Attr("src", PictureURL);
    if (!LargePictureURL.empty()) h.Attr("srcset", PictureURL + " 1x, " + LargePictureURL + " 1.5x");
    h.Attr("width", Size).Attr("height", Size).Attr("alt", Hint.empty() ? Caption : Hint).Raw(">");
  }
  h.Raw("</button>");
}

void TIWButton::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type == "click" && OnClick) OnClick(this);
}

void TIWImageFile::Render(THtml& h, const TIWRenderContext&) const {
  const bool click = OnClick || !ScriptOnClick.empty();
  OpenTag(h, "img", click ? "cursor:pointer;" : "");
  h.Attr("src", "/files/" + UrlEncode(ImageFile)).Attr("alt", AltText);
  if (OnClick) h.Raw(" data-click=\"1\"");
  h.Raw(">");
}

void TIWImageFile::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type == "click" && OnClick) OnClick(this);
}

namespace {

// At most Bytes bytes of a UTF-8 text, never cutting a character.
std::string_view Utf8Prefix(std::string_view Text, std::size_t Bytes) {
  if (Text.size() <= Bytes) return Text;
  std::size_t n = Bytes;
  while (n > 0 && (static_cast<unsigned char>(Text[n]) & 0xC0) == 0x80) --n;
  return Text.substr(0, n);
}

}  // namespace

void TIWImage::SetPicture(std::string bytes, std::string contentType) {
  FBytes = std::move(bytes);
  FContentType = std::move(contentType);
  FURL.clear();
}

void TIWImage::SetPictureURL(std::string url) {
  FURL = std::move(url);
  FBytes.clear();
}

void TIWImage::Render(THtml& h, const TIWRenderContext&) const {
  const bool click = OnClick || OnMouseDown || !ScriptOnClick.empty();
  OpenTag(h, "img", click ? "cursor:pointer;" : "");
  if (!FURL.empty()) {
    h.Attr("src", FURL);
  } else if (!FBytes.empty()) {
    std::string type;
    for (char c : FContentType)
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '+' || c == '-' || c == '.') type += c;
    h.Raw(" src=\"data:").Raw(type).Raw(";base64,").Raw(Base64(FBytes)).Raw("\"");
  }
  h.Attr("alt", AltText);
  if (!PointerAreas.empty()) {
    // [[left, top, right, bottom, hint, status, hand], ...] for the page's pointer handler.
    std::string areas = "[";
    const std::size_t n = std::min(PointerAreas.size(), MaxPointerAreas);
    for (std::size_t i = 0; i < n; ++i) {
      const TIWPointerArea& a = PointerAreas[i];
      if (i > 0) areas += ',';
      areas += '[' + std::to_string(a.Left) + ',' + std::to_string(a.Top) + ',' + std::to_string(a.Right) + ',' +
               std::to_string(a.Bottom) + ',';
      AppendJsString(areas, Utf8Prefix(a.Hint, MaxAreaTextBytes));
      areas += ',';
      AppendJsString(areas, Utf8Prefix(a.Status, MaxAreaTextBytes));
      areas += a.Hand ? ",1]" : ",0]";
    }
    areas += ']';
    h.Attr("data-areas", areas);
    if (!StatusControl.empty()) h.Attr("data-status", StatusControl);
  }
  if (OnMouseDown) h.Raw(" data-xy=\"1\"");
  else if (OnClick) h.Raw(" data-click=\"1\"");
  h.Raw(">");
}

void TIWImage::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "click") return;
  if (OnMouseDown) {
    if (e.X >= 0 && e.Y >= 0) OnMouseDown(this, e.X, e.Y, e.Shift);
  } else if (OnClick) {
    OnClick(this);
  }
}

// ---- Tree view ----

TIWTreeNode::TIWTreeNode(std::string text, int data) : Text(std::move(text)), Data(data), FKey(NewControlKey()) {}

TIWTreeNode* TIWTreeNode::Add(std::string text, int data) {
  FItems.push_back(std::make_unique<TIWTreeNode>(std::move(text), data));
  return FItems.back().get();
}

TIWTreeNode* TIWTreeView::Add(std::string text, int data) {
  FItems.push_back(std::make_unique<TIWTreeNode>(std::move(text), data));
  return FItems.back().get();
}

void TIWTreeView::Clear() {
  FItems.clear();
  FSelected = nullptr;
}

namespace {
// Walks the nodes without recursion (a tree from outside may be deep).
void ForEachNode(const std::vector<std::unique_ptr<TIWTreeNode>>& roots, const std::function<bool(TIWTreeNode&)>& fn) {
  std::vector<TIWTreeNode*> stack;
  for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back(it->get());
  while (!stack.empty()) {
    TIWTreeNode* n = stack.back();
    stack.pop_back();
    if (!fn(*n)) return;
    for (auto it = n->Items().rbegin(); it != n->Items().rend(); ++it) stack.push_back(it->get());
  }
}

void RenderNodes(THtml& h, const std::vector<std::unique_ptr<TIWTreeNode>>& nodes, const TIWTreeNode* selected,
                 int depth) {
  if (depth >= TIWTreeView::MaxDepth) return;
  h.Raw("<ul>");
  for (const auto& n : nodes) {
    const std::string key = std::to_string(n->Key());
    h.Raw("<li>");
    if (n->Items().empty()) {
      h.Raw("<span class=\"iwTwist\"></span>");
    } else {
      h.Raw("<span class=\"iwTwist\" data-node=\"").Raw(key).Raw("\" data-toggle=\"1\">")
          .Raw(n->Expanded ? "&#9662;" : "&#9656;").Raw("</span>");
    }
    h.Raw("<span class=\"iwNode").Raw(n.get() == selected ? " iwSel" : "").Raw("\" data-node=\"").Raw(key).Raw("\">")
        .Text(n->Text).Raw("</span>");
    if (n->Expanded && !n->Items().empty()) RenderNodes(h, n->Items(), selected, depth + 1);
    h.Raw("</li>");
  }
  h.Raw("</ul>");
}
}  // namespace

void TIWTreeView::FullExpand() {
  ForEachNode(FItems, [](TIWTreeNode& n) { n.Expanded = true; return true; });
}

void TIWTreeView::FullCollapse() {
  ForEachNode(FItems, [](TIWTreeNode& n) { n.Expanded = false; return true; });
}

TIWTreeNode* TIWTreeView::FindNode(std::uint64_t key) const {
  TIWTreeNode* found = nullptr;
  ForEachNode(FItems, [&](TIWTreeNode& n) {
    if (n.Key() == key) found = &n;
    return found == nullptr;
  });
  return found;
}

void TIWTreeView::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "div", "overflow:auto;background:#fff;border:1px solid #aaa;");
  h.Raw(" data-tree=\"1\">");
  RenderNodes(h, FItems, FSelected, 0);
  h.Raw("</div>");
}

void TIWTreeView::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "node" && e.Type != "toggle") return;
  TIWTreeNode* node = FindNode(e.Item);
  if (!node) return;
  if (e.Type == "toggle") {
    node->Expanded = !node->Expanded;
    return;
  }
  FSelected = node;
  if (OnClick) OnClick(this, node);
}

std::string TIWMemo::Text() const {
  std::string out;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i) out += "\r\n";
    out += Lines[i];
  }
  return out;
}

void TIWMemo::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "textarea", std::string("resize:none;overflow-y:") + (VertScrollBar ? "scroll;" : "hidden;"));
  h.Raw(" data-v=\"1\"");
  if (!Editable) h.Raw(" readonly");
  if (!Enabled) h.Raw(" disabled");
  h.Raw(">");
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i) text += '\n';
    text += ToLf(Lines[i]);
  }
  // The HTML parser drops one newline right after <textarea>.
  if (!text.empty() && text[0] == '\n') h.Raw("\n");
  h.Text(text).Raw("</textarea>");
}

void TIWMemo::ApplyValue(const std::string& value) {
  Lines.clear();
  std::string line;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\r' || c == '\n') {
      Lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) Lines.push_back(line);
}

TIWGrid::TIWGrid(std::string name) : TIWControl(std::move(name)) {}

void TIWGrid::Resize(int rows, int cols) {
  rows = std::max(rows, 0);
  cols = std::max(cols, 0);
  if (cols == FCols) {
    // Rows are stored one after another: growing or cutting them keeps every other cell in
    // place (grids filled a row at a time grow this way).
    FCells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    FRows = rows;
    return;
  }
  std::vector<TIWGridCell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  for (int r = 0; r < std::min(rows, FRows); ++r)
    for (int c = 0; c < std::min(cols, FCols); ++c)
      cells[static_cast<std::size_t>(r * cols + c)] = std::move(FCells[static_cast<std::size_t>(r * FCols + c)]);
  FCells = std::move(cells);
  FRows = rows;
  FCols = cols;
}

void TIWGrid::SetRowCount(int rows) { Resize(rows, FCols); }
void TIWGrid::SetColumnCount(int cols) { Resize(FRows, cols); }

TIWGridCell& TIWGrid::Cell(int row, int col) {
  if (row < 0 || row >= FRows || col < 0 || col >= FCols)
    throw rt::EListError("Grid index out of bounds (" + std::to_string(row) + ", " + std::to_string(col) + ")");
  return FCells[static_cast<std::size_t>(row * FCols + col)];
}

const TIWGridCell& TIWGrid::Cell(int row, int col) const { return const_cast<TIWGrid*>(this)->Cell(row, col); }

void TIWGrid::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "table", "border-collapse:collapse;");
  if (OnCellClick) h.Raw(" data-cell=\"1\"");
  h.Raw("><tbody>");
  const std::string border = Lines ? "border:1px solid " + ColorToCss(LineColor) + ";" : "";
  const std::string pad = "padding:" + Px(CellPadding) + ";";
  const std::string row = RowHeight > 0 ? "<tr style=\"height:" + Px(RowHeight) + "\">" : "<tr>";
  for (int r = 0; r < FRows; ++r) {
    h.Raw(row);
    for (int c = 0; c < FCols; ++c) {
      const TIWGridCell& cell = Cell(r, c);
      std::string style = pad + border + AlignCss(cell.Alignment) + FontCss(cell.Font);
      if (cell.BGColor != clNone) style += "background-color:" + ColorToCss(cell.BGColor) + ";";
      if (cell.Header) style += "font-weight:bold;";
      if (OnCellClick) style += "cursor:pointer;";
      h.Raw("<td").Attr("style", style).Raw(">");
      if (cell.Visible) h.Text(cell.Text);
      h.Raw("</td>");
    }
    h.Raw("</tr>");
  }
  h.Raw("</tbody></table>");
}

void TIWGrid::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "cell" || !OnCellClick) return;
  if (e.Row < 0 || e.Row >= FRows || e.Col < 0 || e.Col >= FCols) return;
  OnCellClick(this, e.Row, e.Col);
}

void TIWRegion::Render(THtml& h, const TIWRenderContext& ctx) const {
  std::string extra;
  if (BorderWidth > 0) extra = "border:" + Px(BorderWidth) + " solid " + ColorToCss(BorderColor) + ";";
  if (ScrollBars) extra += "overflow:auto;";
  OpenTag(h, "div", extra);
  if (ScrollBars) {
    h.Raw(" data-sl=\"").Raw(std::to_string(ScrollLeft)).Raw("\" data-st=\"").Raw(std::to_string(ScrollTop)).Raw("\"");
    if (OnScroll) h.Raw(" data-scroll=\"1\"");
  }
  h.Raw(">");
  RenderChildren(h, ctx);
  h.Raw("</div>");
}

void TIWRegion::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "scroll" || !ScrollBars || e.X < 0 || e.Y < 0) return;
  ScrollLeft = e.X;
  ScrollTop = e.Y;
  if (OnScroll) OnScroll(this, e.X, e.Y);
}

void TIWTimer::Render(THtml& h, const TIWRenderContext&) const {
  h.Raw("<span hidden").Attr("id", Name());
  h.Raw(" data-k=\"").Raw(std::to_string(Key())).Raw("\"");
  if (Enabled && Interval > 0 && OnTimer) h.Raw(" data-timer=\"").Raw(std::to_string(Interval)).Raw("\"");
  h.Raw("></span>");
}

void TIWTimer::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type == "timer" && OnTimer && Interval > 0) OnTimer(this);
}

void TIWFileUploader::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "input", ButtonVisible ? "" : "display:none;");
  h.Raw(" type=\"file\" data-upload=\"1\"");
  if (!Accept.empty()) h.Attr("accept", Accept);
  if (!Enabled) h.Raw(" disabled");
  h.Raw(">");
}

void TIWFileUploader::DeliverUpload(const std::string& fileName, std::string content) {
  FFileName = fileName;
  FContent = std::move(content);
  struct Clear {
    TIWFileUploader* u;
    ~Clear() {
      u->FContent.clear();
      u->FContent.shrink_to_fit();
    }
  } clear{this};
  std::string dest;
  bool saveFile = false, overwrite = false;
  if (OnAsyncUploadCompleted) OnAsyncUploadCompleted(this, dest, FFileName, saveFile, overwrite);
  if (OnAsyncUploadSuccess) {
    TIWEventParams params;
    params.Add("FileName", FFileName);
    OnAsyncUploadSuccess(this, params);
  }
}

void TIWFileUploader::SaveToStream(const std::string&, rt::TStream& stream) const {
  if (!FContent.empty()) stream.WriteBuffer(FContent.data(), static_cast<std::int64_t>(FContent.size()));
}

TIWMenuItem::TIWMenuItem(std::string name, std::string caption)
    : Name(std::move(name)), Caption(std::move(caption)), FKey(NewControlKey()) {}

TIWMenuItem* TIWMenuItem::Add(std::string name, std::string caption) {
  FItems.push_back(std::make_unique<TIWMenuItem>(std::move(name), std::move(caption)));
  return FItems.back().get();
}

TIWMenuItem* TIWMainMenu::Add(std::string name, std::string caption) {
  FItems.push_back(std::make_unique<TIWMenuItem>(std::move(name), std::move(caption)));
  return FItems.back().get();
}

namespace {
TIWMenuItem* FindIn(const std::vector<std::unique_ptr<TIWMenuItem>>& items,
                    const std::function<bool(const TIWMenuItem&)>& match, bool onlyUsable) {
  for (const auto& item : items) {
    if (onlyUsable && (!item->Visible || !item->Enabled)) continue;
    if (match(*item)) return item.get();
    if (TIWMenuItem* inner = FindIn(item->Items(), match, onlyUsable)) return inner;
  }
  return nullptr;
}
}  // namespace

TIWMenuItem* TIWMainMenu::FindItem(const std::string& name) {
  return FindIn(FItems, [&](const TIWMenuItem& i) { return i.Name == name; }, false);
}

void TIWMainMenu::Render(THtml& h, const TIWRenderContext&) const {
  OpenTag(h, "div");
  h.Raw(" data-menu=\"1\">");
  for (const auto& top : FItems) {
    if (!top->Visible) continue;
    h.Raw("<span class=\"iwMenuTop\"").Attr("id", top->Name);
    if (top->OnClick && top->Enabled) h.Raw(" data-item=\"").Raw(std::to_string(top->Key())).Raw("\"");
    h.Raw(">").Text(top->Caption);
    bool any = false;
    for (const auto& sub : top->Items()) {
      if (!sub->Visible) continue;
      if (!any) h.Raw("<span class=\"iwMenuDrop\">");
      any = true;
      h.Raw("<span class=\"iwMenuItem\"").Attr("id", sub->Name);
      if (sub->OnClick && sub->Enabled) h.Raw(" data-item=\"").Raw(std::to_string(sub->Key())).Raw("\"");
      h.Raw(">").Text(sub->Caption).Raw("</span>");
    }
    if (any) h.Raw("</span>");
    h.Raw("</span>");
  }
  h.Raw("</div>");
}

void TIWMainMenu::HandleEvent(const TIWBrowserEvent& e) {
  if (e.Type != "menu") return;
  // Only items that are visible and enabled, under visible and enabled items, can be clicked.
  TIWMenuItem* item = FindIn(FItems, [&](const TIWMenuItem& i) { return i.Key() == e.Item; }, true);
  if (item && item->OnClick) item->OnClick(this);
}

TIWFrame::~TIWFrame() { FreeAllComponents(); }

void TIWFrame::Render(THtml& h, const TIWRenderContext& ctx) const {
  h.Raw("<div class=\"iw iwFrame\"").Attr("id", Name());
  h.Raw(" data-k=\"").Raw(std::to_string(Key())).Raw("\"");
  h.Attr("style", BoxStyle(false));
  h.Raw(">");
  RenderChildren(h, ctx);
  h.Raw("</div>");
}

}  // namespace web
