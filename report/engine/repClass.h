#pragma once
// The whole report object model. Each family has its own header beside its code; include the
// family you need rather than this one, so that a change to one family rebuilds only its users:
//   repClassComponent.h  values, the component tree, report components, the page base
//   repClassReport.h     the report, its options, engine, prepared pages and preview bases
//   repClassFill.h       fills and frames
//   repClassView.h       the view base, shapes, stretchable views
//   repClassMemo.h       highlights, display formats, memo views
//   repClassPicture.h    line, picture and check box views
//   repClassStyles.h     styles
//   repClassData.h       dialog components and controls, datasets and dataset lists
//   repClassBand.h       bands and the subreport
//   repClassPage.h       report, dialog and data pages
#include "report/engine/repAlign.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassComponent.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassFill.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassStyles.h"
#include "report/engine/repClassView.h"
#include "report/engine/repCollections.h"
#include "report/engine/repPictureCache.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repUnicodeUtils.h"
#include "report/engine/repVariables.h"
