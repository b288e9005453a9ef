#include "report/script/sc_icanvasrtti.h"

#include <algorithm>

#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/TypInfo.h"
#include "report/script/sc_irttiargs.h"

using rt::Variant;

namespace sc_icanvasrtti {

namespace {

using scrtti::As;
using scrtti::IntArg;
using scrtti::Obj;
using scrtti::ObjVar;

// The script's pen modes are the device's sixteen; the canvas knows copy and exclusive or.
constexpr int kScriptPmCopy = 4, kScriptPmXor = 14;

rt::TClass CanvasClass() {
  static const rt::TClassInfo Info("TCanvas", rt::PersistentClassInfo(), [] { return new gfx::TRecordingCanvas; });
  return &Info;
}

// A script's metafile canvas: what is drawn on it becomes the metafile's picture when the canvas
// is freed, unless the metafile was freed first.
class TScriptMetafileCanvas : public gfx::TMetafileCanvas {
public:
  TScriptMetafileCanvas() : gfx::TMetafileCanvas(1, 1) {}
  ~TScriptMetafileCanvas() override {
    if (FTarget == nullptr || FLife.expired()) return;
    try {
      FTarget->LoadFromBytes(Bytes());
      FTarget->SetSize(Width(), Height());
    } catch (const std::exception&) {
      // A destructor reports nothing; the metafile keeps what it had.
    }
  }
  void Open(gfx::TMetafile* Target) {
    FTarget = Target;
    FLife = Target->LifeToken();
    SetSize(Target->Width(), Target->Height());
  }

private:
  gfx::TMetafile* FTarget = nullptr;
  std::weak_ptr<const int> FLife;
};

rt::TClass MetafileCanvasClass() {
  static const rt::TClassInfo Info("TMetafileCanvas", CanvasClass(), [] { return new TScriptMetafileCanvas; });
  return &Info;
}

[[noreturn]] void CannotAssign(rt::TObject* Src, rt::TObject* Dst) {
  throw rt::EConvertError("Cannot assign a " + (Src ? Src->ClassName() : std::string("nil")) + " to a " +
                          Dst->ClassName());
}

// Assign between graphics objects: pictures and graphics take each other's content (a bitmap
// takes any graphic's pixels), pens and brushes their settings.
void AssignGraphics(rt::TObject* Dst, rt::TObject* Src) {
  if (auto* P = dynamic_cast<gfx::TPicture*>(Dst)) {
    if (Src == nullptr) return P->Clear();
    if (auto* SP = dynamic_cast<gfx::TPicture*>(Src)) return P->Assign(*SP);
    if (auto* SG = dynamic_cast<gfx::TGraphic*>(Src)) return P->SetGraphic(SG);
  } else if (auto* B = dynamic_cast<gfx::TBitmap*>(Dst)) {
    if (auto* SP = dynamic_cast<gfx::TPicture*>(Src); SP && SP->Graphic()) return B->Assign(*SP->Graphic());
    if (auto* SG = dynamic_cast<gfx::TGraphic*>(Src)) return B->Assign(*SG);
  } else if (auto* G = dynamic_cast<gfx::TGraphic*>(Dst)) {
    // Other graphics copy only from their own class.
    if (Src != nullptr && Src->ClassType() == G->ClassType()) {
      rt::TMemoryStream M;
      static_cast<gfx::TGraphic*>(Src)->SaveToStream(M);
      M.SetPosition(0);
      return G->LoadFromStream(M);
    }
  } else if (auto* Pen = dynamic_cast<TPenObject*>(Dst)) {
    if (auto* SPen = dynamic_cast<TPenObject*>(Src)) {
      *Pen->Target = *SPen->Target;
      return;
    }
  } else if (auto* Brush = dynamic_cast<TBrushObject*>(Dst)) {
    if (auto* SBrush = dynamic_cast<TBrushObject*>(Src)) {
      *Brush->Target = *SBrush->Target;
      return;
    }
  }
  CannotAssign(Src, Dst);
}

} // namespace

rt::TClass TPenObject::ClassInfo() {
  static const rt::TClassInfo Info("TPen", rt::PersistentClassInfo(), [] { return new TPenObject; });
  return &Info;
}

rt::TClass TBrushObject::ClassInfo() {
  static const rt::TClassInfo Info("TBrush", rt::PersistentClassInfo(), [] { return new TBrushObject; });
  return &Info;
}

TFunctions::TCanvasParts& TFunctions::Parts(gfx::TCanvas* Canvas) {
  auto& P = FParts[Canvas];
  if (!P) {
    P = std::make_unique<TCanvasParts>();
    P->Pen.Target = &Canvas->Pen;
    P->Brush.Target = &Canvas->Brush;
  }
  return *P;
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  const TscCallMethodNewEvent M = [this](rt::TObject* I, rt::TClass C, const std::string& N, TscMethodHelper* H) {
    return CallMethod(I, C, N, H);
  };
  const TscGetValueEvent G = [this](rt::TObject* I, rt::TClass C, const std::string& N) { return GetProp(I, C, N); };
  const TscSetValueEvent W = [this](rt::TObject* I, rt::TClass C, const std::string& N, const Variant& V) {
    SetProp(I, C, N, V);
  };
  const char* Assign = "procedure Assign(Source: TPersistent)";

  if (TscClassVariable* C = S->AddClass(TPenObject::ClassInfo(), "TPersistent")) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod(Assign, M);
    C->AddProperty("Color", "TColor", G, W);
    C->AddProperty("Mode", "TPenMode", G, W);
    C->AddProperty("Style", "TPenStyle", G, W);
    C->AddProperty("Width", "Integer", G, W);
  }
  if (TscClassVariable* C = S->AddClass(TBrushObject::ClassInfo(), "TPersistent")) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod(Assign, M);
    C->AddProperty("Color", "TColor", G, W);
    C->AddProperty("Style", "TBrushStyle", G, W);
  }
  if (TscClassVariable* C = S->AddClass(CanvasClass(), "TPersistent")) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod("procedure Draw(X, Y: Integer; Graphic: TGraphic)", M);
    C->AddMethod("procedure Ellipse(X1, Y1, X2, Y2: Integer)", M);
    C->AddMethod("procedure FillRect(X1, Y1, X2, Y2: Integer)", M);
    C->AddMethod("procedure LineTo(X, Y: Integer)", M);
    C->AddMethod("procedure MoveTo(X, Y: Integer)", M);
    C->AddMethod("procedure Rectangle(X1, Y1, X2, Y2: Integer)", M);
    C->AddMethod("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)", M);
    C->AddMethod("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)", M);
    C->AddMethod("procedure TextOut(X, Y: Integer; const Text: String)", M);
    C->AddMethod("function TextWidth(const Text: String): Integer", M);
    C->AddMethod("function TextHeight(const Text: String): Integer", M);
    C->AddIndexProperty("Pixels", "Integer, Integer", "TColor", M);
    C->AddProperty("Brush", "TBrush", G);
    C->AddProperty("Font", "TFont", G);
    C->AddProperty("Pen", "TPen", G);
  }
  if (TscClassVariable* C = S->AddClass(gfx::TGraphic::ClassInfo(), "TPersistent")) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod(Assign, M);
    C->AddMethod("procedure LoadFromFile(const Filename: string)", M);
    C->AddMethod("procedure SaveToFile(const Filename: string)", M);
    C->AddProperty("Height", "Integer", G, W);
    C->AddProperty("Width", "Integer", G, W);
  }
  if (TscClassVariable* C = S->AddClass(gfx::TPicture::ClassInfo(), "TPersistent")) {
    C->AddMethod(Assign, M);
    C->AddMethod("procedure LoadFromFile(const Filename: string)", M);
    C->AddMethod("procedure SaveToFile(const Filename: string)", M);
    C->AddProperty("Height", "Integer", G);
    C->AddProperty("Width", "Integer", G);
  }
  S->AddClass(gfx::TMetafile::ClassInfo(), "TGraphic");
  if (TscClassVariable* C = S->AddClass(MetafileCanvasClass(), "TCanvas"))
    C->AddConstructor("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)", M);
  if (TscClassVariable* C = S->AddClass(gfx::TBitmap::ClassInfo(), "TGraphic")) C->AddProperty("Canvas", "TCanvas", G);
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& N,
                               TscMethodHelper* H) {
  if (N == "ASSIGN") {
    AssignGraphics(Instance, Obj(H->GetVParam(0)));
    return Variant(0);
  }
  if (ClassType == MetafileCanvasClass() && N == "CREATE") {
    auto* C = As<TScriptMetafileCanvas>(Instance, "TMetafileCanvas");
    C->Open(As<gfx::TMetafile>(Obj(H->GetVParam(0)), "TMetafile"));
    return ObjVar(Instance);
  }
  if (N == "CREATE") return ObjVar(Instance);
  if (ClassType == CanvasClass() || ClassType == MetafileCanvasClass()) {
    auto* C = As<gfx::TCanvas>(Instance, "TCanvas");
    auto Graphic = [&](int I) { return As<gfx::TGraphic>(Obj(H->GetVParam(I)), "TGraphic"); };
    if (N == "DRAW") {
      gfx::TGraphic* G = Graphic(2);
      const int X = IntArg(H, 0), Y = IntArg(H, 1);
      G->Draw(*C, {X, Y, X + G->Width(), Y + G->Height()});
    } else if (N == "STRETCHDRAW") {
      Graphic(4)->Draw(*C, {IntArg(H, 0), IntArg(H, 1), IntArg(H, 2), IntArg(H, 3)});
    } else if (N == "ELLIPSE") {
      C->Ellipse(IntArg(H, 0), IntArg(H, 1), IntArg(H, 2), IntArg(H, 3));
    } else if (N == "FILLRECT") {
      C->FillRect({IntArg(H, 0), IntArg(H, 1), IntArg(H, 2), IntArg(H, 3)});
    } else if (N == "RECTANGLE") {
      C->Rectangle(IntArg(H, 0), IntArg(H, 1), IntArg(H, 2), IntArg(H, 3));
    } else if (N == "ROUNDRECT") {
      C->RoundRect(IntArg(H, 0), IntArg(H, 1), IntArg(H, 2), IntArg(H, 3), IntArg(H, 4), IntArg(H, 5));
    } else if (N == "LINETO") {
      C->LineTo(IntArg(H, 0), IntArg(H, 1));
    } else if (N == "MOVETO") {
      C->MoveTo(IntArg(H, 0), IntArg(H, 1));
    } else if (N == "TEXTOUT") {
      C->TextOut(IntArg(H, 0), IntArg(H, 1), H->GetVParam(2).ToUString());
    } else if (N == "TEXTWIDTH") {
      return Variant(C->TextWidth(H->GetVParam(0).ToUString()));
    } else if (N == "TEXTHEIGHT") {
      return Variant(C->TextHeight(H->GetVParam(0).ToUString()));
    } else if (N == "PIXELS.GET") {
      return Variant(C->Pixel(IntArg(H, 0), IntArg(H, 1)));
    } else if (N == "PIXELS.SET") {
      C->SetPixel(IntArg(H, 0), IntArg(H, 1), H->GetVParam(2).ToInteger());
    }
    return Variant(0);
  }
  if (N == "LOADFROMFILE" || N == "SAVETOFILE") {
    const std::string File = H->GetVParam(0).ToString();
    if (auto* P = dynamic_cast<gfx::TPicture*>(Instance)) {
      if (N == "LOADFROMFILE")
        P->LoadFromFile(File);
      else
        P->SaveToFile(File);
    } else {
      auto* G = As<gfx::TGraphic>(Instance, "TGraphic");
      if (N == "LOADFROMFILE")
        G->LoadFromFile(File);
      else
        G->SaveToFile(File);
    }
  }
  return Variant(0);
}

Variant TFunctions::GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& N) {
  if (auto* Pen = dynamic_cast<TPenObject*>(Instance)) {
    const gfx::TPen& P = *Pen->Target;
    if (N == "COLOR") return Variant(P.Color);
    if (N == "WIDTH") return Variant(P.Width);
    if (N == "STYLE") return Variant(static_cast<int>(P.Style));
    if (N == "MODE") return Variant(P.Mode == gfx::pmXor ? kScriptPmXor : kScriptPmCopy);
  } else if (auto* Brush = dynamic_cast<TBrushObject*>(Instance)) {
    if (N == "COLOR") return Variant(Brush->Target->Color);
    if (N == "STYLE") return Variant(static_cast<int>(Brush->Target->Style));
  } else if (ClassType == CanvasClass() || ClassType == MetafileCanvasClass()) {
    auto* C = As<gfx::TCanvas>(Instance, "TCanvas");
    if (N == "PEN") return ObjVar(&Parts(C).Pen);
    if (N == "BRUSH") return ObjVar(&Parts(C).Brush);
    if (N == "FONT") return ObjVar(&C->Font);
  } else if (auto* P = dynamic_cast<gfx::TPicture*>(Instance)) {
    if (N == "WIDTH") return Variant(P->Width());
    if (N == "HEIGHT") return Variant(P->Height());
  } else if (auto* G = dynamic_cast<gfx::TGraphic*>(Instance)) {
    if (N == "WIDTH") return Variant(G->Width());
    if (N == "HEIGHT") return Variant(G->Height());
    if (N == "CANVAS")
      if (auto* B = dynamic_cast<gfx::TBitmap*>(G)) return ObjVar(&B->Canvas());
  }
  return Variant(0);
}

void TFunctions::SetProp(rt::TObject* Instance, rt::TClass, const std::string& N, const Variant& V) {
  if (auto* Pen = dynamic_cast<TPenObject*>(Instance)) {
    gfx::TPen& P = *Pen->Target;
    if (N == "COLOR") P.Color = V.ToInteger();
    if (N == "WIDTH") P.Width = std::max(0, V.ToInteger());
    if (N == "STYLE") P.Style = static_cast<gfx::TPenStyle>(std::clamp(V.ToInteger(), 0, static_cast<int>(gfx::psInsideFrame)));
    if (N == "MODE") P.Mode = V.ToInteger() == kScriptPmXor ? gfx::pmXor : gfx::pmCopy;
  } else if (auto* Brush = dynamic_cast<TBrushObject*>(Instance)) {
    if (N == "COLOR") Brush->Target->Color = V.ToInteger();
    if (N == "STYLE")
      Brush->Target->Style = static_cast<gfx::TBrushStyle>(std::clamp(V.ToInteger(), 0, static_cast<int>(gfx::bsDiagCross)));
  } else if (auto* B = dynamic_cast<gfx::TBitmap*>(Instance)) {
    if (N == "WIDTH") B->SetWidth(V.ToInteger());
    if (N == "HEIGHT") B->SetHeight(V.ToInteger());
  } else if (auto* M = dynamic_cast<gfx::TMetafile*>(Instance)) {
    if (N == "WIDTH") M->SetSize(V.ToInteger(), M->Height());
    if (N == "HEIGHT") M->SetSize(M->Width(), V.ToInteger());
  }
}

} // namespace sc_icanvasrtti

void sc_icanvasrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_icanvasrtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_icanvasrtti::TFunctions>);
}

void sc_icanvasrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_icanvasrtti::TFunctions>), L->end());
}
