#pragma once
// The guidelines frame that the sizing form shows over its inputs.
#include "platform/web/Application.h"

class TMemoFrame : public web::TIWFrame {
public:
  explicit TMemoFrame(std::string name);

  web::TIWRegion* IWFrameRegion;
  web::TIWLabel* IWLabel1;
  web::TIWLabel* IWLabel2;
  web::TIWLabel* IWLabel6;
  web::TIWLabel* IWLabel3;
  web::TIWLabel* IWLabel4;
  web::TIWLabel* IWLabel5;
  web::TIWLabel* IWLabel7;
  web::TIWLabel* IWLabel8;
  web::TIWLabel* IWLabel10;
  web::TIWLabel* IWLabel9;
  web::TIWButton* IWButton1;

  void IWButton1Click(web::TIWControl* Sender);
};
