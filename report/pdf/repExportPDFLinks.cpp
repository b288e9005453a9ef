// Navigation in the PDF: link annotations for views with a hyperlink or URL, and the report
// outline as the document outline. Links are numbered while their page is written (the page
// lists them under /Annots) and written at the end with the outline.
#include <cmath>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repXML.h"
#include "report/pdf/repExportPDF.h"

namespace {

// A literal string for printable ASCII with balanced parentheses, otherwise a hex string of
// the UTF-16 code units.
std::string AnnotationAddressText(const std::string& Text) {
  bool Literal = true;
  int Open = 0;
  for (unsigned char C : Text) {
    if (C < 32 || C > 126) {
      Literal = false;
      break;
    }
    if (C == '(') ++Open;
    if (C == ')' && --Open < 0) {
      Literal = false;
      break;
    }
  }
  if (Literal && Open == 0) {
    std::string R = "(";
    for (char C : Text) {
      if (C == '\\') R += '\\';
      R += C;
    }
    return R + ")";
  }
  static const char* Hex = "0123456789ABCDEF";
  std::string R = "<";
  for (char16_t U : rt::Utf8ToUtf16(Text)) {
    R += Hex[(U >> 12) & 15];
    R += Hex[(U >> 8) & 15];
    R += Hex[(U >> 4) & 15];
    R += Hex[U & 15];
  }
  return R + ">";
}

int RoundInt(double V) {
  if (!std::isfinite(V)) return 0;
  return static_cast<int>(std::lround(std::clamp(V, -1e9, 1e9)));
}

// The page index a page-number link names; a text that is no number names no page, so the link
// goes nowhere instead of failing the whole document.
int LinkPageIndex(const std::string& Text) {
  int N = 0;
  return rt::TryStrToInt(rt::Trim(Text), N) && N > 0 ? N - 1 : -1;
}

} // namespace

void TrepPDFExport::AddViewLink(TrepView* View) {
  const TrepHyperlink& Link = View->Hyperlink();
  if (!Link.Value.empty()) {
    switch (Link.Kind) {
    case hkURL: AddURLAnnotation(Link.Value); break;
    case hkAnchor: AddAnchorAnnotation(Link.Value); break;
    case hkPageNumber: AddPageAnnotation(LinkPageIndex(Link.Value), 0); break;
    default: break;
    }
    return;
  }
  const std::string& URL = View->URL();
  if (URL.empty()) return;
  if (URL[0] == '#')
    AddAnchorAnnotation(URL.substr(1));
  else if (URL[0] == '@')
    AddPageAnnotation(LinkPageIndex(URL.substr(1)), 0);
  else
    AddURLAnnotation(URL);
}

void TrepPDFExport::AddAnchorAnnotation(const std::string& Name) {
  auto* Pages = Report != nullptr ? dynamic_cast<TrepPreviewPages*>(Report->PreviewPages()) : nullptr;
  TrepXMLItem* Anchor = Pages != nullptr ? Pages->FindAnchor(Name) : nullptr;
  if (Anchor == nullptr) return;
  int Page = 0;
  double Top = 0;
  if (!rt::TryStrToInt(rt::Utf16ToUtf8(Anchor->Prop("page")), Page)) return;
  if (!rt::TryStrToFloat(rt::Utf16ToUtf8(Anchor->Prop("top")), Top)) Top = 0;
  AddPageAnnotation(Page, Top);
}

TrepPDFExport::TrepPDFAnnot& TrepPDFExport::NewAnnotation() {
  if (FAnnots.size() >= MaxAnnotations) throw rt::Exception("Too many links for one PDF document");
  TrepPDFAnnot A;
  A.Number = FPOH.UpdateXRef();
  A.Rect = stLeft + " " + stBottom + " " + stRight + " " + stTop;
  FPageAnnots += ObjRefText(A.Number) + "\r\n";
  FAnnots.push_back(std::move(A));
  return FAnnots.back();
}

void TrepPDFExport::AddURLAnnotation(const std::string& Address) {
  TrepPDFAnnot& A = NewAnnotation();
  A.Address = rt::Trim(Address);
}

void TrepPDFExport::AddPageAnnotation(int Page, double Y) {
  TrepPDFAnnot& A = NewAnnotation();
  A.DestPage = Page;
  A.DestY = RoundInt(PixelsToPDFY(Y));
}

void TrepPDFExport::WriteLinkAnnotations() {
  for (const TrepPDFAnnot& A : FAnnots) {
    FPOH.SetXRef(A.Number);
    Line(ObjNumberText(A.Number));
    Line("<<");
    Line("/Type /Annot");
    Line("/Subtype /Link");
    if (IsPDFA()) Line("/F 4");
    Line("/Rect [" + A.Rect + "]");
    if (A.DestPage < 0 && !A.Address.empty()) {
      Line("/BS << /W 0 >>");
      Line("/A <<");
      if (FProtection)
        Line("/URI (" + FSecurity.EncryptString(A.Address, A.Number) + ")");
      else
        Line("/URI " + AnnotationAddressText(A.Address));
      Line("/Type /Action");
      Line("/S /URI");
      Line(">>");
    } else {
      // The target is a prepared page; a page this export left out gets no destination.
      const int K = ExportedPageOf(A.DestPage);
      if (K >= 0) {
        Line("/Border [16 16 0]");
        Line("/Dest [" + ObjRefText(FPagesRef[static_cast<std::size_t>(K)]) + " /XYZ null " +
             std::to_string(A.DestY) + " null]");
      }
    }
    Line(">>");
    Line("endobj");
  }
}

int TrepPDFExport::ExportedPageOf(int PreparedIndex) const {
  for (std::size_t K = 0; K < FExportedPages.size() && K < FPagesRef.size(); ++K)
    if (FExportedPages[K] == PreparedIndex) return static_cast<int>(K);
  return -1;
}

int TrepPDFExport::WriteOutline() {
  TrepCustomOutline* O = Report != nullptr && Report->PreviewPages() != nullptr ? Report->PreviewPages()->Outline()
                                                                                : nullptr;
  if (O == nullptr) return 0;
  struct TNode {
    std::string Title;
    int Page = -1, Top = 0, Parent = -1, Prev = -1, Next = -1, First = -1, Last = -1, Count = 0, Depth = 0;
  };
  // Entries in depth-first order, the order they are numbered and written in; entries on
  // pages this export leaves out are dropped with their children.
  std::vector<TNode> Nodes;
  int RootFirst = -1, RootLast = -1, RootCount = 0;
  struct TWalk {
    TrepCustomOutline* O;
    TrepPDFExport* F;
    std::vector<TNode>& Nodes;
    int& RootFirst;
    int& RootLast;
    int& RootCount;
    void Level(int Parent, int Depth) {
      const int Count = O->Count();
      int Prev = -1;
      for (int I = 0; I < Count; ++I) {
        if (Nodes.size() >= MaxOutlineItems) return;
        std::string Text;
        int Page = 0, Top = 0;
        O->GetItem(I, Text, Page, Top);
        if (F->ExportedPageOf(Page) < 0) continue;
        const int N = static_cast<int>(Nodes.size());
        TNode Node;
        Node.Title = Text;
        Node.Page = Page;
        Node.Top = Top;
        Node.Parent = Parent;
        Node.Prev = Prev;
        Node.Depth = Depth;
        Nodes.push_back(std::move(Node));
        if (Prev >= 0)
          Nodes[static_cast<std::size_t>(Prev)].Next = N;
        else if (Parent >= 0)
          Nodes[static_cast<std::size_t>(Parent)].First = N;
        else
          RootFirst = N;
        if (Parent >= 0) {
          Nodes[static_cast<std::size_t>(Parent)].Last = N;
          ++Nodes[static_cast<std::size_t>(Parent)].Count;
        } else {
          RootLast = N;
          ++RootCount;
        }
        Prev = N;
        if (Depth + 1 < MaxOutlineDepth) {
          O->LevelDown(I);
          Level(N, Depth + 1);
          O->LevelUp();
        }
      }
    }
  } Walk{O, this, Nodes, RootFirst, RootLast, RootCount};
  O->LevelRoot();
  Walk.Level(-1, 0);
  O->LevelRoot();
  if (Nodes.empty()) return 0;

  const int Root = FPOH.UpdateXRef();
  auto Ref = [Root](int N) { return ObjRefText(Root + 1 + N); };
  Line(ObjNumberText(Root));
  Line("<<");
  Line("/Type /Outlines");
  Line("/Count " + std::to_string(Nodes.size()));
  Line("/First " + Ref(RootFirst));
  Line("/Last " + Ref(RootLast));
  Line(">>");
  Line("endobj");
  (void)RootCount;
  for (std::size_t I = 0; I < Nodes.size(); ++I) {
    const TNode& N = Nodes[I];
    const int Number = FPOH.UpdateXRef();
    Line(ObjNumberText(Number));
    Line("<<");
    Line("/Title " + TextStringToPDF(N.Title, Number));
    Line("/Parent " + (N.Parent >= 0 ? Ref(N.Parent) : ObjRefText(Root)));
    if (N.Prev >= 0) Line("/Prev " + Ref(N.Prev));
    if (N.Next >= 0) Line("/Next " + Ref(N.Next));
    if (N.First >= 0) {
      Line("/First " + Ref(N.First));
      Line("/Last " + Ref(N.Last));
      Line("/Count " + std::to_string(N.Count));
    }
    const int K = ExportedPageOf(N.Page);
    if (K >= 0)
      Line("/Dest [" + ObjRefText(FPagesRef[static_cast<std::size_t>(K)]) + " /XYZ 0 " +
           std::to_string(RoundInt(FPageHeights[static_cast<std::size_t>(K)] - N.Top * 0.75)) + " 0]");
    Line(">>");
    Line("endobj");
  }
  return Root;
}
