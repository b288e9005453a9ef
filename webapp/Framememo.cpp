#include "webapp/Framememo.h"

TMemoFrame::TMemoFrame(std::string name) : web::TIWFrame(std::move(name)) {
  SetBounds(0, 0, 803, 440);
  Color = web::clCream;

  IWFrameRegion = Add<web::TIWRegion>("IWFrameRegion");
  IWFrameRegion->SetBounds(0, 0, 803, 440);
  IWFrameRegion->Color = web::clWhite;
  IWFrameRegion->ZIndex = 6000;

  auto line = [this](const char* controlName, int top, const char* text) {
    auto* label = Add<web::TIWLabel>(controlName, IWFrameRegion);
    label->SetBounds(0, top, 803, 0);
    label->Alignment = web::taCenter;
    label->Caption = text;
    return label;
  };
  IWLabel1 = line("IWLabel1", 16,
                  "This program is designed to size and select Cv's for the SeriesH and SeriesG (spring and airload), "
                  "SeriesGC, SERIESF, Series K, Series KF only.");
  IWLabel2 = line("IWLabel2", 95, "Sizing and Cv Selection Recommendations");
  IWLabel6 = line("IWLabel6", 127, " Select a valve Cv so that the calculated Cv does not exceed the following limits:");
  IWLabel3 = line("IWLabel3", 160, "\xE2\x80\xA2 SERIESG, GC Series: 70% of selected Cv - for set point ranges >= 9 psig.");
  IWLabel4 = line("IWLabel4", 178, "For set point ranges below 9 psig, use the following guide:");
  IWLabel5 = line("IWLabel5", 199, "6-8 psi: 50% of selected Cv, 4-5 psi: 33% of selected Cv, 3 psi: 25% of selected Cv");
  IWLabel7 = line("IWLabel7", 237,
                  "\xE2\x80\xA2 Series K, Series KF: 60% of selected Cv. Use \"Globe\" valve type and input design Cv.");
  IWLabel8 = line("IWLabel8", 265, "\xE2\x80\xA2 SERIESH Series: 50% of selected Cv capacity.");
  IWLabel10 = line("IWLabel10", 293, "\xE2\x80\xA2 Control valves: 90% of selected Cv capacity.");
  IWLabel9 = line("IWLabel9", 334, "Contact factory for valve application outside these limits");
  IWLabel1->WordWrap = true;

  IWButton1 = Add<web::TIWButton>("IWButton1", IWFrameRegion);
  IWButton1->SetBounds((803 - 141) / 2, 388, 141, 29);
  IWButton1->Caption = "Close";
  IWButton1->OnClick = [this](web::TIWControl* Sender) { IWButton1Click(Sender); };
}

void TMemoFrame::IWButton1Click(web::TIWControl*) { IWFrameRegion->Visible = false; }
