#pragma once
// The in-place editors that need no window: copying and pasting the content of text and picture
// objects (one object, or several selected objects as a table of cells), the text editor's
// state (what it shows, where it stands, what it writes back), and the data-field editor's
// field choice. A host with a screen shows the edit control and the field list; the clipboard
// here is the process's own, since the server has no system clipboard.
#include <memory>
#include <mutex>
#include <string>

#include "platform/gfx/Picture.h"
#include "report/engine/repInPlaceEditors.h"

// The longest clipboard text a paste takes (UTF-16 code units); longer texts are refused, so a
// paste cannot fill objects with unbounded data.
inline constexpr std::size_t repMaxClipboardText = 8u * 1024 * 1024;

// Text and a picture held for copy and paste, guarded for use from several threads.
class TrepClipboard {
public:
  bool HasText() const;
  std::u16string Text() const;
  void SetText(std::u16string Value);
  bool HasPicture() const;
  // A copy of the held picture into Dest (cleared when there is none).
  void GetPicture(gfx::TPicture& Dest) const;
  void SetPicture(const gfx::TPicture& Value);
  void Clear();

private:
  mutable std::mutex FLock;
  bool FHasText = false;
  std::u16string FText;
  gfx::TPicture FPicture;
};

// The clipboard of the calling thread: the one a TrepClipboardScope set, else the process's.
TrepClipboard& repClipboard();

// While one lives, repClipboard() on its thread is Own: a server copies and pastes for one
// browser session at a time, and one session's copy never reaches another's paste.
class TrepClipboardScope {
public:
  explicit TrepClipboardScope(TrepClipboard& Own);
  ~TrepClipboardScope();
  TrepClipboardScope(const TrepClipboardScope&) = delete;
  TrepClipboardScope& operator=(const TrepClipboardScope&) = delete;

private:
  TrepClipboard* FPrevious;
};

// Copies and pastes several selected objects as cells: rows top to bottom split by CR LF,
// columns left to right split by TAB. One object goes through the single-object operations.
class TrepInPlaceBaseCopyPasteEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  void CopyGoupContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                       TrepCopyPasteType CopyAs) override;
  void PasteGoupContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                        TrepCopyPasteType PasteAs) override;
};

// A text object's lines: with a buffer as UTF-16 (copy: joined by spaces; paste: read back),
// without one through the clipboard's text.
class TrepInPlaceMemoCopyPasteEditor : public TrepInPlaceBaseCopyPasteEditor {
public:
  using TrepInPlaceBaseCopyPasteEditor::TrepInPlaceBaseCopyPasteEditor;
  void CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                   TrepCopyPasteType CopyAs) override;
  void PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                    TrepCopyPasteType PasteAs) override;
  bool IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                        TrepCopyPasteType PasteAs) override;
  TrepCopyPasteType DefaultContentType() override { return cptText; }
};

// A picture object's picture through the clipboard; a paste with several objects selected goes
// to every selected picture object.
class TrepInPlacePictureCopyPasteEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  void CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                   TrepCopyPasteType CopyAs) override;
  void PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                    TrepCopyPasteType PasteAs) override;
  bool IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                        TrepCopyPasteType PasteAs) override;
  TrepCopyPasteType DefaultContentType() override { return cptImage; }
};

// The state of the edit control that covers a text object while it is edited. The host shows
// a control at Bounds with Text, Color, WordWrap and Alignment, and reports typing through
// SetEditText, Ctrl+Enter or leaving through Commit, Esc through Discard.
class TrepInPlaceMemoEditor : public TrepInPlaceEditor {
public:
  enum TAlignment { taLeftJustify, taRightJustify, taCenter };
  using TrepInPlaceEditor::TrepInPlaceEditor;
  bool HasCustomEditor() override { return true; }
  // Commits an open edit; then starts one when the edit mode asks for it or, in the preview,
  // when Alt is held and the object may be edited there.
  bool DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                 TrepInteractiveEventsParams& EventParams) override;
  bool DoMouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos,
                    TrepInteractiveEventsParams& EventParams) override {
    (void)Shift, (void)WheelDelta, (void)MousePos, (void)EventParams;
    return FVisible;
  }
  void FinalizeUI(TrepInteractiveEventsParams& EventParams) override;
  bool EditInPlaceDone() override;
  // Shows the control over the object (device pixels at the editor's scale and offset).
  void EditInPlace();
  void SetEditText(std::u16string Value) {
    FEditText = std::move(Value);
    FModified = true;
  }
  // Writes a modified text back and reports the finished edit; hides the control.
  void Commit();
  // Esc: nothing is written and no completion is sent.
  void Discard();

  bool Visible() const { return FVisible; }
  const std::u16string& EditText() const { return FEditText; }
  gfx::TRect Bounds() const { return FBounds; }
  gfx::TColor Color() const { return FColor; }
  bool WordWrap() const { return FWordWrap; }
  TAlignment Alignment() const { return FAlignment; }
  int FontHeight() const { return FFontHeight; }

private:
  bool FVisible = false, FModified = false, FEdited = false;
  std::u16string FEditText;
  gfx::TRect FBounds{};
  gfx::TColor FColor = gfx::clWhite;
  bool FWordWrap = false;
  TAlignment FAlignment = taLeftJustify;
  int FFontHeight = 0;
};

// The data-field editor's logic: the object's data set (from the nearest data band), the size
// of its field button, and choosing a field. The drop-down list itself is a window of the host.
class TrepInPlaceDataFiledEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  // The data set of the nearest data band above the object; nullptr when none.
  static TrepDataSet* DataSetOf(TrepComponent* Obj);
  // Button side in pixels at the device's resolution, at most the rectangle's height, even.
  static int ButtonSize(int DevicePPI, int RectHeight);
  // The fields the list offers; empty without a data set.
  std::vector<std::string> FieldList();
  // The object, and every selected object of its class, takes the data set and the field.
  void ChooseField(const std::string& Field);
  // One node of a data tree dropped on the object: a field of DataSet (nullptr: a variable or
  // any other name).
  struct TDroppedNode {
    TrepDataSet* DataSet = nullptr;
    std::string Text;
  };
  // Nodes dropped in selection order, walked from the last. A single field (or the first walked
  // on an object that is not a text) binds the object to it; several fields, or names without a
  // data set, replace a text object's text by their bracketed expressions. True when the drop
  // was taken.
  bool DropNodes(const std::vector<TDroppedNode>& Nodes, TrepInteractiveEventsParams& EventParams);
  bool Modified() const { return FModified; }
  // A data tree's nodes dragged over a view are taken, with the drop highlight on.
  bool DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                        TrepInteractiveEventsParams& EventParams) override;
  // The dragged nodes of a data tree, or the one node the band editor hands on, go to DropNodes.
  bool DoCustomDragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams) override;
  void FinalizeUI(TrepInteractiveEventsParams& EventParams) override;
  bool DragHighlight() const { return FDrawDragDrop; }

private:
  bool FModified = false;
  bool FDrawDragDrop = false;
};

// The nodes a user drags out of a data tree, in selection order. The host's tree stands behind
// it; objects and editors see only the nodes.
class TrepDataTreeSource : public rt::TObject {
public:
  std::vector<TrepInPlaceDataFiledEditor::TDroppedNode> Selected;
};

// One node of a dragged selection (Sender's Selected[Index]), handed on by the band editor to
// the band's object tagged for it.
class TrepDataTreeEventObject : public rt::TObject {
public:
  TrepDataTreeEventObject(TrepDataTreeSource* ASender, int AIndex) : Sender(ASender), Index(AIndex) {}
  TrepDataTreeSource* Sender;
  int Index;
};

// The designer's editor of a master band: fields dragged from a data tree onto the title strip
// above the band go, each, to the band's object whose IndexTag is the field's place in the
// selection plus one. Positions are device pixels at the editor's scale.
class TrepInPlaceBandEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  // The strip the designer draws the band's title in: BandDesignHeader high, right above the
  // band, as wide as the band (rounded to pixels); empty when the editor has no band.
  gfx::TRect TitleStrip() const;
  // Strictly inside the strip's unrounded edges.
  bool OverTitleStrip(int X, int Y) const;
  // Where the drop mark stands while fields are dragged over the strip.
  gfx::TPoint DropMarkPos() const;
  // Taken (with the highlight on) only for a data tree over the title strip; asks for a
  // repaint in every case.
  bool DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                        TrepInteractiveEventsParams& EventParams) override;
  // With the highlight on: every dragged field of an aliased data set, walked from the last,
  // is dropped on the band's object tagged for it through that object's own editors.
  bool DoCustomDragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams) override;
  // The title strip in a grey checkerboard while the highlight is on.
  void DrawCustomEditor(gfx::TCanvas& Canvas, const gfx::TRect& R) override;
  // Repaint when the highlight was on; the highlight goes.
  void FinalizeUI(TrepInteractiveEventsParams& EventParams) override;
  bool DragHighlight() const { return FDrawDragDrop; }

private:
  TrepBand* Band() const;
  bool FDrawDragDrop = false;
};

// Start-up: the editors of text and picture objects into the component-editor registry (the
// copy-and-paste editors for preview and designer, the text editor for both, the data-field
// editor for the designer), and the band editor of master bands for the designer. Counted.
void repInPlaceCopyPasteInitialization();
void repInPlaceCopyPasteFinalization();

extern const TrepInPlaceEditorClassInfo repMemoCopyPasteEditorClass;
extern const TrepInPlaceEditorClassInfo repPictureCopyPasteEditorClass;
extern const TrepInPlaceEditorClassInfo repMemoEditorClass;
extern const TrepInPlaceEditorClassInfo repDataFieldEditorClass;
extern const TrepInPlaceEditorClassInfo repBandEditorClass;
