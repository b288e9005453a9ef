#pragma once
// Server-side controls. A control has an owner, which frees it (a form, a frame or the session's
// application), and a parent, in which it is placed and rendered (a form, a region or a frame).
// Each renders as one absolutely positioned HTML element whose id is the control's name; the
// element also carries the control's session-unique key (data-k), through which browser events and
// input values find their control even when two controls of one page share a name.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Events.h"
#include "platform/web/Html.h"

namespace web {

class TIWControl;
class TIWContainer;
class THtml;

using TNotifyEvent = std::function<void(TIWControl* Sender)>;

// Name=value parameters of an asynchronous event, in the order the browser sent them.
class TIWEventParams {
public:
  void Add(std::string name, std::string value) { FItems.emplace_back(std::move(name), std::move(value)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Names(int i) const { return FItems.at(static_cast<std::size_t>(i)).first; }
  const std::string& ValueFromIndex(int i) const { return FItems.at(static_cast<std::size_t>(i)).second; }
  // Value of the first parameter of that name; empty when there is none.
  std::string Values(const std::string& name) const;

private:
  std::vector<std::pair<std::string, std::string>> FItems;
};

using TIWAsyncEvent = std::function<void(TIWControl* Sender, const TIWEventParams& Params)>;

struct TIWFont {
  std::string Name;        // empty: inherited
  int Size = 0;            // points; 0: inherited
  TColor Color = clNone;
  bool Bold = false, Italic = false, Underline = false;
};

enum TAlignment { taLeftJustify, taCenter, taRightJustify };

// Anchors: a control anchored neither left nor right keeps its horizontal centre in its parent
// (and never moves past the parent's left edge).
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// What the browser sent for one event; filled by the server.
struct TIWBrowserEvent {
  std::string Type;  // click, change, key, timer, cell, menu, node, toggle, formkey
  std::string Which; // key code of key events
  int Row = -1, Col = -1;
  std::uint64_t Item = 0;
  // Clicks on server-drawn pictures: the point in the picture's own pixels; -1 when not given.
  int X = -1, Y = -1;
  rt::TShiftState Shift = 0;  // ssShift, ssAlt, ssCtrl held with a click or key
};

struct TIWRenderContext {
  bool RenderInvisible = false;  // render hidden controls (display:none) instead of leaving them out
};

class TIWControl {
public:
  explicit TIWControl(std::string name);
  virtual ~TIWControl();
  TIWControl(const TIWControl&) = delete;
  TIWControl& operator=(const TIWControl&) = delete;

  const std::string& Name() const { return FName; }
  std::uint64_t Key() const { return FKey; }

  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Visible = true;
  bool Enabled = true;
  int ZIndex = 0;
  unsigned Anchors = akLeft | akTop;
  std::string Hint;
  TIWFont Font;
  TColor Color = clNone;
  // Browser-side script run on a click before the click goes to the server; a script that
  // returns false keeps the click in the browser.
  std::string ScriptOnClick;

  void SetBounds(int left, int top, int width, int height);
  TIWContainer* Parent() const { return FParent; }
  void SetParent(TIWContainer* parent);
  // Visible itself and in every parent up to the form.
  bool IsShowing() const;

  virtual TIWContainer* AsContainer() { return nullptr; }

  // Framework side: rendering, browser values and events.
  virtual void Render(THtml& h, const TIWRenderContext& ctx) const = 0;
  virtual bool HasValue() const { return false; }
  virtual bool AcceptsValue() const { return Enabled; }
  virtual void ApplyValue(const std::string& /*value*/) {}
  virtual void HandleEvent(const TIWBrowserEvent& /*e*/) {}
  // Asynchronous events (key strokes, edits' async changes, uploads) answer with the changed
  // controls only: the form's render event is not raised for them.
  virtual bool IsAsyncEvent(const TIWBrowserEvent& /*e*/) const { return false; }
  // Whether an event may reach the control although it is not showing.
  virtual bool EventsWhenHidden() const { return false; }

protected:
  // Writes "<tag id=.. data-k=.. class=iw style=.. title=.." without closing the tag.
  void OpenTag(THtml& h, const char* tag, const std::string& extraStyle = {}) const;
  std::string BoxStyle(bool paintColor = true) const;
  std::string FontStyle() const;
  bool HasClick() const;

private:
  friend class TIWContainer;
  std::string FName;
  std::uint64_t FKey;
  TIWContainer* FParent = nullptr;
};

class TIWContainer {
public:
  TIWContainer() = default;
  virtual ~TIWContainer();
  TIWContainer(const TIWContainer&) = delete;
  TIWContainer& operator=(const TIWContainer&) = delete;

  const std::vector<TIWControl*>& Controls() const { return FChildren; }
  // The control of that name placed here or in a nested container; nullptr when there is none.
  TIWControl* FindControl(const std::string& name) const;
  TIWControl* FindByKey(std::uint64_t key) const;
  // Every control placed here and in nested containers, parents before children.
  void ForEachControl(const std::function<void(TIWControl&)>& fn) const;
  virtual bool ContainerShowing() const { return true; }
  // The control that this container is (a region or frame), or nullptr (a form).
  virtual TIWControl* AsControl() { return nullptr; }

protected:
  void RenderChildren(THtml& h, const TIWRenderContext& ctx) const;

private:
  friend class TIWControl;
  std::vector<TIWControl*> FChildren;
};

// Owner of controls: frees them, newest first, when it goes.
class TIWComponentOwner {
public:
  TIWComponentOwner() = default;
  virtual ~TIWComponentOwner();
  TIWComponentOwner(const TIWComponentOwner&) = delete;
  TIWComponentOwner& operator=(const TIWComponentOwner&) = delete;

  // Creates a control owned here and placed in parent (the owner's own place when omitted).
  template <class T, class... Args>
  T* Add(std::string name, TIWContainer* parent = nullptr, Args&&... args) {
    auto control = std::make_unique<T>(std::move(name), std::forward<Args>(args)...);
    T* raw = control.get();
    FComponents.push_back(std::move(control));
    raw->SetParent(parent ? parent : DefaultParent());
    return raw;
  }
  // Frees a control of this owner now.
  void FreeComponent(TIWControl* control);

protected:
  virtual TIWContainer* DefaultParent() { return nullptr; }
  void FreeAllComponents();

private:
  std::vector<std::unique_ptr<TIWControl>> FComponents;
};

class TIWLabel : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Caption;  // CR LF breaks the line
  TAlignment Alignment = taLeftJustify;
  bool WordWrap = false;
  TNotifyEvent OnClick;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;
};

class TIWEdit : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Text;
  bool ReadOnly = false;
  // Shows dots instead of the text (passwords); the text still travels with the page's values.
  bool PasswordPrompt = false;
  TIWAsyncEvent OnAsyncKeyDown;  // after the key has changed the text; params: the edit's text, IW_Action, Which
  TIWAsyncEvent OnAsyncChange;   // when the browser reports a changed text
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  bool IsAsyncEvent(const TIWBrowserEvent& e) const override { return e.Type == "key" || e.Type == "change"; }
  bool HasValue() const override { return true; }
  bool AcceptsValue() const override { return Enabled && !ReadOnly; }
  void ApplyValue(const std::string& value) override { Text = value; }
  void HandleEvent(const TIWBrowserEvent& e) override;
};

class TIWComboBox : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::vector<std::string> Items;
  int ItemIndex = -1;  // -1: no selection
  TNotifyEvent OnChange;
  // Text of the selected item; empty without a selection.
  std::string Text() const;
  // Selects the first item with exactly that text; no selection when there is none.
  void SetText(const std::string& text);
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  bool HasValue() const override { return true; }
  void ApplyValue(const std::string& value) override;
  void HandleEvent(const TIWBrowserEvent& e) override;
};

// Radio buttons of one Group on one form exclude each other.
class TIWRadioButton : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Caption;
  std::string Group;
  TNotifyEvent OnClick;
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  bool HasValue() const override { return true; }
  void ApplyValue(const std::string& value) override { FChecked = value == "1"; }
  void HandleEvent(const TIWBrowserEvent& e) override;

private:
  bool FChecked = false;
};

class TIWCheckBox : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Caption;
  bool Checked = false;
  TNotifyEvent OnClick;
  TNotifyEvent OnChange;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  bool HasValue() const override { return true; }
  void ApplyValue(const std::string& value) override { Checked = value == "1"; }
  void HandleEvent(const TIWBrowserEvent& e) override;
};

class TIWButton : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Caption;
  // A picture shown in place of the caption: the address of one PictureSize CSS pixels square,
  // and optionally one drawn at 1.5 times that for screens with more device pixels (the browser
  // picks). Its alt text is the hint, else the caption.
  std::string PictureURL, LargePictureURL;
  int PictureSize = 16;
  TNotifyEvent OnClick;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;
};

// A picture file of the content folder's "Files" folder, served at /files/<name>.
class TIWImageFile : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string ImageFile;  // file name relative to wwwroot/Files
  std::string AltText;
  TNotifyEvent OnClick;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;
};

class TIWImageButton : public TIWImageFile {
public:
  using TIWImageFile::TIWImageFile;
};

// A part of a picture that the pointer meets in the browser without a request to the server:
// its hint shows beside the pointer, its status text in a label of the form, and a hand cursor
// marks something to click. Coordinates are the picture's own pixels.
struct TIWPointerArea {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  std::string Hint;
  std::string Status;
  bool Hand = false;
};

// A picture made on the server (e.g. a chart), sent inside the page, or fetched from an address
// of the server (a session picture of TIWAppCache) so that replies do not carry it again.
class TIWImage : public TIWControl {
public:
  using TIWControl::TIWControl;
  // Areas sent with one picture, and characters of one area's texts; more are left out, so
  // that a picture's areas cannot swell every reply.
  static constexpr std::size_t MaxPointerAreas = 2000;
  static constexpr std::size_t MaxAreaTextBytes = 1000;
  std::string AltText;
  // Where an area overlaps another, the later one is on top.
  std::vector<TIWPointerArea> PointerAreas;
  // The name of the label whose text an area's status replaces while the pointer is over it.
  std::string StatusControl;
  TNotifyEvent OnClick;
  // A click with the point in the picture's own pixels (the drawn size may differ from the
  // picture's); OnClick is not raised for such clicks.
  std::function<void(TIWControl* Sender, int X, int Y, rt::TShiftState Shift)> OnMouseDown;
  void SetPicture(std::string bytes, std::string contentType);
  // Shows the picture at an address of this server; clears bytes set before.
  void SetPictureURL(std::string url);
  const std::string& PictureURL() const { return FURL; }
  void ClearPicture() { FBytes.clear(); FURL.clear(); }
  const std::string& PictureBytes() const { return FBytes; }
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;

private:
  std::string FBytes, FContentType, FURL;
};

// One node of a tree view: a text, the caller's number and the nodes below it.
class TIWTreeNode {
public:
  TIWTreeNode(std::string text, int data);
  std::string Text;
  int Data = 0;
  bool Expanded = false;
  TIWTreeNode* Add(std::string text, int data = 0);
  const std::vector<std::unique_ptr<TIWTreeNode>>& Items() const { return FItems; }
  std::uint64_t Key() const { return FKey; }

private:
  std::uint64_t FKey;
  std::vector<std::unique_ptr<TIWTreeNode>> FItems;
};

// A tree of text nodes (an outline). A node with children opens and closes by its sign; a click
// on a node's text selects it and raises OnClick.
class TIWTreeView : public TIWControl {
public:
  using TIWControl::TIWControl;
  // Nodes rendered at most this deep; deeper ones are left out of the page.
  static constexpr int MaxDepth = 64;
  TIWTreeNode* Add(std::string text, int data = 0);
  void Clear();
  const std::vector<std::unique_ptr<TIWTreeNode>>& Items() const { return FItems; }
  void FullExpand();
  void FullCollapse();
  TIWTreeNode* Selected() const { return FSelected; }
  void SetSelected(TIWTreeNode* node) { FSelected = node; }
  // The node of that key anywhere in the tree; nullptr when none.
  TIWTreeNode* FindNode(std::uint64_t key) const;
  std::function<void(TIWControl* Sender, TIWTreeNode* Node)> OnClick;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;

private:
  std::vector<std::unique_ptr<TIWTreeNode>> FItems;
  TIWTreeNode* FSelected = nullptr;
};

class TIWMemo : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::vector<std::string> Lines;
  bool Editable = true;
  bool VertScrollBar = true;
  std::string Text() const;  // lines joined by CR LF
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  bool HasValue() const override { return true; }
  bool AcceptsValue() const override { return Enabled && Editable; }
  void ApplyValue(const std::string& value) override;
};

struct TIWGridCell {
  std::string Text;
  bool Visible = true;  // a hidden cell keeps its place and shows nothing
  TColor BGColor = clNone;
  TIWFont Font;
  TAlignment Alignment = taLeftJustify;
  bool Header = false;
};

class TIWGrid : public TIWControl {
public:
  explicit TIWGrid(std::string name);
  int RowCount() const { return FRows; }
  int ColumnCount() const { return FCols; }
  // Resizing keeps the cells that stay inside.
  void SetRowCount(int rows);
  void SetColumnCount(int cols);
  TIWGridCell& Cell(int row, int col);
  const TIWGridCell& Cell(int row, int col) const;
  int CellPadding = 2;
  int RowHeight = 0;  // pixels per row; 0: as high as the contents need
  bool Lines = true;  // lines between all cells
  TColor LineColor = clSilver;
  std::function<void(TIWControl* Sender, int ARow, int AColumn)> OnCellClick;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;

private:
  void Resize(int rows, int cols);
  int FRows = 0, FCols = 0;
  std::vector<TIWGridCell> FCells;
};

class TIWRegion : public TIWControl, public TIWContainer {
public:
  using TIWControl::TIWControl;
  int BorderWidth = 0;
  TColor BorderColor = clBlack;
  // With scroll bars the region scrolls its contents; the page puts the scroll position back
  // after every reply and reports where the user scrolled to once the scrolling stops.
  bool ScrollBars = false;
  int ScrollLeft = 0, ScrollTop = 0;
  std::function<void(TIWControl* Sender, int Left, int Top)> OnScroll;
  void HandleEvent(const TIWBrowserEvent& e) override;
  TIWContainer* AsContainer() override { return this; }
  bool ContainerShowing() const override { return IsShowing(); }
  TIWControl* AsControl() override { return this; }
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
};

// A browser-side timer: while enabled, fires Interval ms after the page was last rendered.
class TIWTimer : public TIWControl {
public:
  using TIWControl::TIWControl;
  int Interval = 1000;
  TNotifyEvent OnTimer;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;
  bool EventsWhenHidden() const override { return true; }
};

// A file chosen in the browser is uploaded at once (at most the server's upload limit) and handed
// to the handlers as bytes; nothing is written to disk under the user's file name.
class TIWFileUploader : public TIWControl {
public:
  using TIWControl::TIWControl;
  std::string Accept;        // e.g. ".kvs"
  bool ButtonVisible = true;
  // destPath is empty: the upload stays in memory. saveFile and overwrite are for the handler's
  // own decision; the framework never stores the upload.
  std::function<void(TIWControl* Sender, std::string& destPath, const std::string& fileName, bool& saveFile,
                     bool& overwrite)>
      OnAsyncUploadCompleted;
  TIWAsyncEvent OnAsyncUploadSuccess;

  // The upload being handled (valid inside the two handlers).
  const std::string& FileName() const { return FFileName; }
  const std::string& Content() const { return FContent; }
  // Writes the upload's bytes at the stream's position (fileName names the upload; there is one).
  void SaveToStream(const std::string& fileName, rt::TStream& stream) const;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  // Upload chosen from a hidden panel by a script of another control.
  bool EventsWhenHidden() const override { return true; }
  bool IsAsyncEvent(const TIWBrowserEvent&) const override { return true; }

  // Framework side.
  void DeliverUpload(const std::string& fileName, std::string content);

private:
  std::string FFileName, FContent;
};

struct TIWMenuItem {
  TIWMenuItem(std::string name, std::string caption);
  std::string Name;
  std::string Caption;
  bool Visible = true;
  bool Enabled = true;
  TNotifyEvent OnClick;
  TIWMenuItem* Add(std::string name, std::string caption);
  const std::vector<std::unique_ptr<TIWMenuItem>>& Items() const { return FItems; }
  std::uint64_t Key() const { return FKey; }

private:
  std::uint64_t FKey;
  std::vector<std::unique_ptr<TIWMenuItem>> FItems;
};

// A menu bar: top-level items, each with an optional drop-down of items.
class TIWMainMenu : public TIWControl {
public:
  using TIWControl::TIWControl;
  TIWMenuItem* Add(std::string name, std::string caption);
  TIWMenuItem* FindItem(const std::string& name);
  const std::vector<std::unique_ptr<TIWMenuItem>>& Items() const { return FItems; }
  void Render(THtml& h, const TIWRenderContext& ctx) const override;
  void HandleEvent(const TIWBrowserEvent& e) override;

private:
  std::vector<std::unique_ptr<TIWMenuItem>> FItems;
};

// A frame: controls designed together and placed as a group into a form or region. Only its
// controls show; the frame's own area is transparent.
class TIWFrame : public TIWRegion, public TIWComponentOwner {
public:
  using TIWRegion::TIWRegion;
  ~TIWFrame() override;
  void Render(THtml& h, const TIWRenderContext& ctx) const override;

protected:
  TIWContainer* DefaultParent() override { return this; }
};

// Small HTML writer used by the controls.
class THtml {
public:
  THtml() = default;
  // Writes into buffer's memory (its text is dropped), so a caller that renders again and again
  // can hand the same memory back each time.
  explicit THtml(std::string buffer) : FOut(std::move(buffer)) { FOut.clear(); }
  THtml& Raw(std::string_view s) { FOut.append(s); return *this; }
  THtml& Text(std::string_view s) { AppendHtmlEscaped(FOut, s); return *this; }
  THtml& Attr(std::string_view name, std::string_view value);
  const std::string& Str() const { return FOut; }
  std::string Take() { return std::move(FOut); }

private:
  std::string FOut;
};

// Process-wide source of control keys.
std::uint64_t NewControlKey();

}  // namespace web
