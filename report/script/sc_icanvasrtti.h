#pragma once
// Script bindings of the drawing classes: TPen, TBrush, TCanvas (with Pixels), TGraphic,
// TPicture, TMetafile, TMetafileCanvas and TBitmap, and Assign between graphics objects.
//
// A canvas's Pen and Brush are reached through small objects that write into the canvas; the
// module keeps one pair per canvas it has handed out. Text output and measuring wait for the
// font layer and are not offered. A metafile canvas hands its drawing to its metafile when it
// is freed.
#include <map>
#include <memory>
#include <string>

#include "platform/gfx/Canvas.h"
#include "report/script/sc_iinterpreter.h"

namespace sc_icanvasrtti {

// A pen or brush as scripts see it: its own, or the one of a canvas.
class TPenObject : public rt::TObject {
public:
  RT_CLASS_INFO(TPenObject)
  gfx::TPen Own;
  gfx::TPen* Target = &Own;
};

class TBrushObject : public rt::TObject {
public:
  RT_CLASS_INFO(TBrushObject)
  gfx::TBrush Own;
  gfx::TBrush* Target = &Own;
};

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);

private:
  rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                         TscMethodHelper* Caller);
  rt::Variant GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName);
  void SetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName, const rt::Variant& Value);
  // The pen and brush objects of a canvas, made on first use.
  struct TCanvasParts {
    TPenObject Pen;
    TBrushObject Brush;
  };
  TCanvasParts& Parts(gfx::TCanvas* Canvas);
  std::map<gfx::TCanvas*, std::unique_ptr<TCanvasParts>> FParts;
};

} // namespace sc_icanvasrtti

// Appends the module to the binding-module list (once); after the graphics module.
void sc_icanvasrttiInitialization();
void sc_icanvasrttiFinalization();
