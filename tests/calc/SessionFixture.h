#pragma once
// A current browser session for calculations that read and write session state.
#include <gtest/gtest.h>

#include <memory>

#include "platform/web/Application.h"
#include "webapp/ServerController.h"

class SessionTest : public ::testing::Test {
protected:
  SessionTest() {
    app_.SetData(std::make_unique<TIWUserSession>());
    session_ = UserSession();
    session_->GageP = true;
    session_->ValveID = 2;
    session_->NonAmbientData.Superheatfactor = 1;
  }

  TIWUserSession& session() { return *session_; }

private:
  web::TIWApplication app_;
  web::TCurrentApplicationScope scope_{&app_};
  TIWUserSession* session_ = nullptr;
};
