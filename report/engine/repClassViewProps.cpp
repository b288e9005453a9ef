// Published properties of the views, datasets and dialog components, in declaration order with
// their stored defaults.
#include "platform/gfx/Picture.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repUtils.h"

using repProp::Bool;
using repProp::Float;
using repProp::Int;
using repProp::Str;

namespace {

template <class T, class E>
rt::TPropInfo EnumD(const char* Name, const char* Type, E T::*Member, std::vector<std::string> Names, E Default) {
  return repProp::Enum(Name, Type, Member, std::move(Names), std::optional<E>(Default));
}
template <class T, class E>
rt::TPropInfo EnumD(const char* Name, const char* Type, E T::*Member, std::vector<std::string> Names) {
  return repProp::Enum(Name, Type, Member, std::move(Names));
}

template <class T>
T* As(rt::TObject* O) {
  return static_cast<T*>(O);
}

const std::vector<std::string> FillTypeNames{"ftBrush", "ftGradient", "ftGlass"};
const std::vector<std::string> ShapeNames{"skRectangle", "skRoundRectangle", "skEllipse", "skTriangle",
                                          "skDiamond", "skDiagonal1", "skDiagonal2"};

// A script event name kept in a string field of T.
template <class T>
rt::TPropInfo EventName(const char* Name, std::string T::*Member) {
  return rt::TPropInfo::Field<T>(Name, rt::tkString, "TrepNotifyEvent", Member);
}

// Fill type and fill of a class with FillType()/SetFillType()/Fill().
template <class T>
rt::TPropInfo FillTypeProp() {
  rt::TPropInfo P("FillType", rt::tkEnumeration, "TrepFillType",
                  [](rt::TObject* O) { return rt::Variant(static_cast<int>(As<T>(O)->FillType())); },
                  [](rt::TObject* O, const rt::Variant& V) {
                    const int I = V.ToInteger();
                    if (I < ftBrush || I > ftGlass) throw rt::EConvertError("Invalid property value");
                    As<T>(O)->SetFillType(static_cast<TrepFillType>(I));
                  });
  P.EnumNames = FillTypeNames;
  return std::move(P).WithDefault(ftBrush);
}

template <class T>
rt::TPropInfo FillProp() {
  return rt::TPropInfo("Fill", rt::tkClass, "TrepCustomFill",
                       [](rt::TObject* O) { return rt::VarFromObject(As<T>(O)->Fill()); });
}

template <class T>
rt::TPropInfo FrameProp() {
  return rt::TPropInfo("Frame", rt::tkClass, "TrepFrame", [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->Frame()); });
}

template <class T>
rt::TPropInfo ColorProp() {
  return rt::TPropInfo("Color", rt::tkInteger, "TColor", [](rt::TObject* O) { return rt::Variant(As<T>(O)->Color()); },
                       [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetColor(V.ToInteger()); })
      .WithStored([](rt::TObject*) { return false; });
}

rt::TPropInfo URLProp() {
  return rt::TPropInfo("URL", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<TrepView>(O)->URL()); },
                       [](rt::TObject* O, const rt::Variant& V) { As<TrepView>(O)->SetURL(V.ToString()); })
      .WithStored([](rt::TObject*) { return false; });
}

rt::TPropInfo DataSetNameProp() {
  return rt::TPropInfo("DataSetName", rt::tkString, "string",
                       [](rt::TObject* O) { return rt::Variant(As<TrepView>(O)->DataSetName()); },
                       [](rt::TObject* O, const rt::Variant& V) { As<TrepView>(O)->SetDataSetName(V.ToString()); });
}

rt::TPropInfo DataSetProp() {
  return rt::TPropInfo("DataSet", rt::tkClass, "TrepDataSet",
                       [](rt::TObject* O) { return rt::VarFromObject(As<TrepView>(O)->DataSet()); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         As<TrepView>(O)->SetDataSet(dynamic_cast<TrepDataSet*>(rt::VarToObject(V)));
                       });
}

rt::TPropInfo BrushStyleProp() {
  return rt::TPropInfo("BrushStyle", rt::tkEnumeration, "TBrushStyle",
                       [](rt::TObject* O) { return rt::Variant(static_cast<int>(As<TrepView>(O)->BrushStyle())); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         const int I = V.ToInteger();
                         if (I < gfx::bsSolid || I > gfx::bsDiagCross) throw rt::EConvertError("Invalid property value");
                         As<TrepView>(O)->SetBrushStyle(static_cast<gfx::TBrushStyle>(I));
                       })
      .WithEnumNames({"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
                      "bsDiagCross"})
      .WithStored([](rt::TObject*) { return false; });
}

} // namespace

rt::TClass TrepObjectProcessing::ClassInfo() {
  using T = TrepObjectProcessing;
  static const rt::TClassInfo Info(
      "TrepObjectProcessing", rt::TObject::ClassInfo(), [] { return new T; },
      {EnumD("ProcessAt", "TrepProcessAtMode", &T::ProcessAt,
            {"paDefault", "paReportFinished", "paReportPageFinished", "paPageFinished", "paColumnFinished",
             "paDataFinished", "paGroupFinished", "paCustom"},
            paDefault),
       Int("GroupLevel", &T::GroupLevel, 0)});
  return &Info;
}

rt::TClass TrepHyperlink::ClassInfo() {
  using T = TrepHyperlink;
  static const rt::TClassInfo Info(
      "TrepHyperlink", rt::TObject::ClassInfo(), [] { return new T; },
      {EnumD("Kind", "TrepHyperlinkKind", &T::Kind,
            {"hkURL", "hkAnchor", "hkPageNumber", "hkDetailReport", "hkDetailPage", "hkCustom", "hkNone"}, hkURL),
       Str("DetailReport", &T::DetailReport), Str("DetailPage", &T::DetailPage), Str("Expression", &T::Expression),
       Str("ReportVariable", &T::ReportVariable), Str("TabCaption", &T::TabCaption), Str("Value", &T::Value),
       Str("ValuesSeparator", &T::ValuesSeparator).WithStored([](rt::TObject* O) {
         return As<T>(O)->ValuesSeparator != ";";
       })});
  return &Info;
}

rt::TClass TrepView::ClassInfo() {
  using T = TrepView;
  using R = TrepReportComponent;
  static const rt::TClassInfo Info(
      "TrepView", TrepReportComponent::ClassInfo(), [] { return new T(nullptr); },
      {repProp::Anchors(), repProp::AllowMirrorMode(),
       EnumD("Align", "TrepAlign", &T::Align,
            {"baNone", "baLeft", "baRight", "baCenter", "baWidth", "baBottom", "baClient", "baHidden"}, baNone),
       Bool("AllowVectorExport", &T::AllowVectorExport),
       rt::TPropInfo("Printable", rt::tkEnumeration, "Boolean",
                     [](rt::TObject* O) { return rt::Variant(As<T>(O)->Printable()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetPrintable(V.ToBoolean()); })
           .WithStored([](rt::TObject*) { return false; }),
       EnumD("ShiftMode", "TrepShiftMode", &T::ShiftMode, {"smDontShift", "smAlways", "smWhenOverlapped"}, smAlways),
       repProp::Left(), repProp::Top(), repProp::Width(), repProp::Height(), repProp::GroupIndex(), repProp::Restrictions(), repProp::Visible(),
       EventName<R>("OnAfterData", &R::OnAfterData), EventName<R>("OnAfterPrint", &R::OnAfterPrint),
       EventName<R>("OnBeforePrint", &R::OnBeforePrint), EventName<R>("OnContentChanged", &R::OnContentChanged),
       EventName<T>("OnMouseEnter", &T::OnMouseEnter), EventName<T>("OnMouseLeave", &T::OnMouseLeave),
       EventName<T>("OnMouseDown", &T::OnMouseDown), EventName<T>("OnMouseMove", &T::OnMouseMove),
       EventName<T>("OnMouseUp", &T::OnMouseUp), EventName<R>("OnPreviewClick", &R::OnPreviewClick),
       EventName<R>("OnPreviewDblClick", &R::OnPreviewDblClick),
       rt::TPropInfo("Hyperlink", rt::tkClass, "TrepHyperlink",
                     [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->Hyperlink()); }),
       Str("Hint", &T::Hint), Bool("ShowHint", &T::ShowHint, false),
       repProp::Set("Visibility", "TrepVisibilityTypes", &T::Visibility, std::optional<TrepVisibilityTypes>(TrepVisibilityTypes{vsPreview, vsExport, vsPrint}))});
  return &Info;
}

rt::TClass TrepShapeView::ClassInfo() {
  using T = TrepShapeView;
  static const rt::TClassInfo Info(
      "TrepShapeView", TrepView::ClassInfo(), [] { return new T(nullptr); },
      {ColorProp<TrepView>(), Int("Cursor", &TrepView::Cursor, 0), Int("Curve", &T::Curve, 0),
       FillTypeProp<TrepView>(), FillProp<TrepView>(), FrameProp<TrepView>(),
       EnumD("Shape", "TrepShapeKind", &T::Shape, ShapeNames, skRectangle), Str("TagStr", &TrepView::TagStr),
       URLProp()});
  return &Info;
}

rt::TClass TrepStretcheable::ClassInfo() {
  using T = TrepStretcheable;
  static const rt::TClassInfo Info(
      "TrepStretcheable", TrepView::ClassInfo(), [] { return new T(nullptr); },
      {EnumD("StretchMode", "TrepStretchMode", &T::StretchMode, {"smDontStretch", "smActualHeight", "smMaxHeight"},
            smDontStretch),
       Bool("CanShrink", &T::CanShrink, false)});
  return &Info;
}

rt::TClass TrepCustomMemoView::ClassInfo() {
  using T = TrepCustomMemoView;
  static const rt::TClassInfo Info(
      "TrepCustomMemoView", TrepStretcheable::ClassInfo(), [] { return new T(nullptr); },
      {Bool("AutoWidth", &T::AutoWidth, false), Bool("AllowExpressions", &T::AllowExpressions, true),
       Bool("AllowHTMLTags", &T::AllowHTMLTags, false),
       Float("CharSpacing", &T::CharSpacing).WithStored([](rt::TObject* O) { return As<T>(O)->CharSpacing != 0; }),
       Bool("Clipped", &T::Clipped, true), ColorProp<TrepView>(), repProp::Font(), repProp::ParentFont(), Str("DataField", &TrepView::DataField),
       DataSetProp(), DataSetNameProp(),
       Str("ExpressionDelimiters", &T::ExpressionDelimiters)
           .WithStored([](rt::TObject* O) { return As<T>(O)->ExpressionDelimiters != "[,]"; }),
       FrameProp<TrepView>(), FillTypeProp<TrepView>(), FillProp<TrepView>(),
       Float("GapX", &T::GapX).WithStored([](rt::TObject* O) { return As<T>(O)->GapX != 2; }),
       Float("GapY", &T::GapY).WithStored([](rt::TObject* O) { return As<T>(O)->GapY != 1; }),
       EnumD("HAlign", "TrepHAlign", &T::HAlign, {"haLeft", "haRight", "haCenter", "haBlock"}, haLeft),
       Bool("HideZeros", &T::HideZeros, false),
       Float("LineSpacing", &T::LineSpacing).WithStored([](rt::TObject* O) { return As<T>(O)->LineSpacing != 2; }),
       // The lines as one text, line ends included.
       rt::TPropInfo("Text", rt::tkUString, "WideString",
                     [](rt::TObject* O) { return rt::Variant(As<T>(O)->Text()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetText(V.ToUString()); }),
       Float("ParagraphGap", &T::ParagraphGap)
           .WithStored([](rt::TObject* O) { return As<T>(O)->ParagraphGap != 0; }),
       rt::TPropInfo("Rotation", rt::tkInteger, "Integer", [](rt::TObject* O) { return rt::Variant(As<T>(O)->Rotation()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetRotation(V.ToInteger()); })
           .WithDefault(0),
       Bool("RTLReading", &T::RTLReading, false), Str("Style", &T::Style),
       Bool("SuppressRepeated", &T::SuppressRepeated, false),
       EnumD("Duplicates", "TrepDuplicateMerge", &T::Duplicates, {"dmShow", "dmHide", "dmClear", "dmMerge"}, dmShow),
       EnumD("UnderlinesTextMode", "TrepUnderlinesTextMode", &T::UnderlinesTextMode,
             {"ulmNone", "ulmUnderlinesAll", "ulmUnderlinesText", "ulmUnderlinesTextAndEmptyLines"}, ulmNone),
       Bool("UseDefaultCharset", &T::UseDefaultCharset, false), Bool("WordBreak", &T::WordBreak, false),
       Bool("WordWrap", &T::WordWrap, true), Bool("Wysiwyg", &T::Wysiwyg, true),
       EnumD("VAlign", "TrepVAlign", &T::VAlign, {"vaTop", "vaBottom", "vaCenter"}, vaTop),
       Bool("FirstParaBreak", &T::FirstParaBreak, false), Bool("LastParaBreak", &T::LastParaBreak, false),
       Str("TagStr", &TrepView::TagStr)});
  return &Info;
}

rt::TClass TrepCustomLineView::ClassInfo() {
  using T = TrepCustomLineView;
  static const rt::TClassInfo Info(
      "TrepCustomLineView", TrepStretcheable::ClassInfo(), [] { return new T(nullptr); },
      {rt::TPropInfo::Field<T>("Color", rt::tkInteger, "TColor", &T::LineColor).WithDefault(gfx::clNone),
       Str("TagStr", &TrepView::TagStr)});
  return &Info;
}

rt::TClass TrepLineView::ClassInfo() {
  using T = TrepCustomLineView;
  static const rt::TClassInfo Info(
      "TrepLineView", TrepCustomLineView::ClassInfo(), [] { return new TrepLineView(nullptr); },
      {Bool("ArrowEnd", &T::ArrowEnd, false), Int("ArrowLength", &T::ArrowLength, 20),
       Bool("ArrowSolid", &T::ArrowSolid, false), Bool("ArrowStart", &T::ArrowStart, false),
       Int("ArrowWidth", &T::ArrowWidth, 5), FrameProp<TrepView>(), Bool("Diagonal", &T::Diagonal, false)});
  return &Info;
}

rt::TClass TrepPictureView::ClassInfo() {
  using T = TrepPictureView;
  static const rt::TClassInfo Info(
      "TrepPictureView", TrepView::ClassInfo(), [] { return new T(nullptr); },
      {Int("Cursor", &TrepView::Cursor, 0),
       rt::TPropInfo("AutoSize", rt::tkEnumeration, "Boolean", [](rt::TObject* O) { return rt::Variant(As<T>(O)->AutoSize()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetAutoSize(V.ToBoolean()); })
           .WithDefault(0),
       Bool("Center", &T::Center, false), Str("DataField", &TrepView::DataField), DataSetProp(), DataSetNameProp(),
       FrameProp<TrepView>(), FillTypeProp<TrepView>(), FillProp<TrepView>(), Str("FileLink", &T::FileLink),
       Int("ImageIndex", &T::ImageIndex).WithStored([](rt::TObject* O) { return As<T>(O)->IsImageIndexStored; }),
       Bool("KeepAspectRatio", &T::KeepAspectRatio, true),
       rt::TPropInfo("Picture", rt::tkClass, "TPicture", [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->Picture()); })
           .WithStored([](rt::TObject* O) { return As<T>(O)->IsPictureStored; }),
       Bool("Stretched", &T::Stretched, true), Str("TagStr", &TrepView::TagStr), URLProp(),
       Bool("HightQuality", &T::HightQuality), Bool("Transparent", &T::Transparent),
       rt::TPropInfo::Field<T>("TransparentColor", rt::tkInteger, "TColor", &T::TransparentColor)});
  return &Info;
}

rt::TClass TrepCheckBoxView::ClassInfo() {
  using T = TrepCheckBoxView;
  static const rt::TClassInfo Info(
      "TrepCheckBoxView", TrepView::ClassInfo(), [] { return new T(nullptr); },
      {BrushStyleProp(), rt::TPropInfo::Field<T>("CheckColor", rt::tkInteger, "TColor", &T::CheckColor),
       Bool("Checked", &T::Checked, true),
       EnumD("CheckStyle", "TrepCheckStyle", &T::CheckStyle, {"csCross", "csCheck", "csLineCross", "csPlus"}),
       ColorProp<TrepView>(), Int("Cursor", &TrepView::Cursor, 0), Str("DataField", &TrepView::DataField), DataSetProp(),
       DataSetNameProp(), Str("Expression", &T::Expression), FillTypeProp<TrepView>(), FillProp<TrepView>(),
       FrameProp<TrepView>(), Str("TagStr", &TrepView::TagStr),
       EnumD("UncheckStyle", "TrepUncheckStyle", &T::UncheckStyle, {"usEmpty", "usCross", "usLineCross", "usMinus"},
            usEmpty),
       URLProp()});
  return &Info;
}

rt::TClass TrepHighlight::ClassInfo() {
  using T = TrepHighlight;
  static const rt::TClassInfo Info(
      "TrepHighlight", TrepCollectionItem::ClassInfo(), [] { return new T(nullptr); },
      {Bool("Active", &T::Active).WithStored([](rt::TObject*) { return false; }), Bool("ApplyFont", &T::ApplyFont, true),
       Bool("ApplyFill", &T::ApplyFill, true), Bool("ApplyFrame", &T::ApplyFrame, false),
       rt::TPropInfo("Font", rt::tkClass, "TFont", [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->Font()); }),
       ColorProp<T>(), Str("Condition", &T::Condition),
       EnumD("InteractiveType", "TrepInteractiveHighlightEvent", &T::InteractiveType,
            {"ihNone", "ihClick", "ihEnter", "ieLeave"}, T::ihNone),
       FillTypeProp<T>(), FillProp<T>(), FrameProp<T>(), Bool("Visible", &T::Visible, true)});
  return &Info;
}

rt::TClass TrepFormat::ClassInfo() {
  using T = TrepFormat;
  static const rt::TClassInfo Info(
      "TrepFormat", rt::TCollectionItem::ClassInfo(), [] { return new T(nullptr); },
      {Str("DecimalSeparator", &T::DecimalSeparator), Str("ThousandSeparator", &T::ThousandSeparator),
       Str("FormatStr", &T::FormatStr),
       EnumD("Kind", "TrepFormatKind", &T::Kind, {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"}, fkText)});
  return &Info;
}

rt::TClass TrepDialogComponent::ClassInfo() {
  static const rt::TClassInfo Info("TrepDialogComponent", TrepReportComponent::ClassInfo(),
                                   [] { return new TrepDialogComponent(nullptr); });
  return &Info;
}

rt::TClass TrepDialogControl::ClassInfo() {
  using T = TrepDialogControl;
  static const rt::TClassInfo Info(
      "TrepDialogControl", TrepReportComponent::ClassInfo(), [] { return new T(nullptr); },
      {repProp::Anchors(), repProp::Left(), repProp::Top(), repProp::Width(), repProp::Height(), repProp::Font(), repProp::GroupIndex(), repProp::ParentFont(),
       rt::TPropInfo("Enabled", rt::tkEnumeration, "Boolean", [](rt::TObject* O) { return rt::Variant(As<T>(O)->Enabled()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetEnabled(V.ToBoolean()); })
           .WithDefault(1),
       rt::TPropInfo("Hint", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<T>(O)->Hint()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetHint(V.ToString()); }),
       rt::TPropInfo("ShowHint", rt::tkEnumeration, "Boolean", [](rt::TObject* O) { return rt::Variant(As<T>(O)->ShowHint()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetShowHint(V.ToBoolean()); })
           .WithDefault(0),
       repProp::Visible()});
  return &Info;
}

rt::TClass TrepDataSet::ClassInfo() {
  using T = TrepDataSet;
  static const rt::TClassInfo Info(
      "TrepDataSet", TrepDialogComponent::ClassInfo(), [] { return new T(nullptr); },
      {Bool("Enabled", &T::Enabled, true), EnumD("RangeBegin", "TrepRangeBegin", &T::RangeBegin, {"rbFirst", "rbCurrent"}, rbFirst),
       EnumD("RangeEnd", "TrepRangeEnd", &T::RangeEnd, {"reLast", "reCurrent", "reCount"}, reLast),
       Int("RangeEndCount", &T::RangeEndCount, 0),
       rt::TPropInfo("UserName", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<T>(O)->UserName()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetUserName(V.ToString()); })});
  return &Info;
}

rt::TClass TrepUserDataSet::ClassInfo() {
  static const rt::TClassInfo Info(
      "TrepUserDataSet", TrepDataSet::ClassInfo(), [] { return new TrepUserDataSet(nullptr); },
      {rt::TPropInfo("Fields", rt::tkClass, "TStrings",
                     [](rt::TObject* O) { return rt::VarFromObject(&As<TrepUserDataSet>(O)->Fields); })});
  return &Info;
}

rt::TClass TrepMemoryDataSet::ClassInfo() {
  static const rt::TClassInfo Info("TrepMemoryDataSet", TrepDataSet::ClassInfo(),
                                   [] { return new TrepMemoryDataSet(nullptr); });
  return &Info;
}

rt::TClass TrepCustomDBDataSet::ClassInfo() {
  using T = TrepCustomDBDataSet;
  static const rt::TClassInfo Info(
      "TrepCustomDBDataSet", TrepDataSet::ClassInfo(), [] { return new T(nullptr); },
      {Bool("CloseDataSource", &T::CloseDataSource),
       rt::TPropInfo("FieldAliases", rt::tkClass, "TStrings",
                     [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->FieldAliases); }),
       Bool("OpenDataSource", &T::OpenDataSource, true)});
  return &Info;
}

rt::TClass TrepCustomDatabase::ClassInfo() {
  static const rt::TClassInfo Info("TrepCustomDatabase", TrepDialogComponent::ClassInfo());
  return &Info;
}

rt::TClass TrepDataSetItem::ClassInfo() {
  using T = TrepDataSetItem;
  static const rt::TClassInfo Info(
      "TrepDataSetItem", rt::TCollectionItem::ClassInfo(), [] { return new T(nullptr); },
      {rt::TPropInfo("DataSet", rt::tkClass, "TrepDataSet", [](rt::TObject* O) { return rt::VarFromObject(As<T>(O)->DataSet()); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       As<T>(O)->SetDataSet(dynamic_cast<TrepDataSet*>(rt::VarToObject(V)));
                     }),
       rt::TPropInfo("DataSetName", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<T>(O)->DataSetName()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetDataSetName(V.ToString()); })});
  return &Info;
}
