// A session of the sizing form driven through its handlers, as the benchmarks of the server's
// work after a click start from: water on a 2-inch sliding gate, Cv 60, three conditions.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

struct TSizingSession {
  web::TIWApplication app;
  std::unique_ptr<web::TCurrentApplicationScope> scope;
  TGlobemain* f = nullptr;

  // Extra holds more edits to fill (by control name); Calculate presses Calculate before the
  // form is rendered.
  explicit TSizingSession(const std::map<std::string, std::string>& Extra = {}, bool Calculate = false) {
    static const std::map<std::string, std::string> Conditions = {
        {"TempMinEdit", "60"},  {"P1MinEdit", "100"},  {"P2MinEdit", "80"},  {"FlowMinEdit", "50"},
        {"TempNormEdit", "60"}, {"P1NormEdit", "100"}, {"P2NormEdit", "60"}, {"FlowNormEdit", "120"},
        {"TempMaxEdit", "60"},  {"P1MaxEdit", "150"},  {"P2MaxEdit", "100"}, {"FlowMaxEdit", "200"},
    };
    TIWServerController controller;
    controller.OnNewSession(app);
    app.BeginRequest(web::TIWRequest{}, 1280);
    scope = std::make_unique<web::TCurrentApplicationScope>(&app);
    f = app.CreateForm<TGlobemain>();
    f->Show();
    f->IWAppFormRender();
    f->SizeCombo->SetText("2.00 in");
    f->SizeComboChange(f->SizeCombo);
    f->CvCombo->SetText("60");
    f->CvComboChange(f->CvCombo);
    std::map<std::string, std::string> Inputs = Conditions;
    Inputs.insert(Extra.begin(), Extra.end());
    for (const auto& [name, value] : Inputs)
      static_cast<web::TIWEdit*>(f->DataRegion1->FindControl(name))->Text = value;
    f->AssignfluidParams();
    if (Calculate) f->CalcButtonClick(f->CalcButton);
    f->IWAppFormRender();
    app.TakeMessages();
  }
};
