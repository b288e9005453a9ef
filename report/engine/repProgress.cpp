#include "report/engine/repProgress.h"

void TrepProgress::Execute(int MaxValue, const std::string& Msg, bool Canceled, bool Progress) {
  FTerminated = false;
  FCancelVisible = Canceled;
  FProgress = Progress;
  FMin = 0;
  FPosition = 0;
  FMax = MaxValue;
  FVisible = true;
  SetMessage(Msg);
  if (OnProcessMessages) OnProcessMessages();
}

void TrepProgress::SetMessage(const std::string& Value) { FMessage = Value; }

void TrepProgress::SetPosition(int Value) {
  FPosition = Value;
  if (OnProcessMessages) OnProcessMessages();
}

void TrepProgress::Tick() {
  if (FPosition < FMax && FPosition >= FMin) SetPosition(FPosition + 1);
}

void TrepProgress::SetTerminated(bool Value) {
  FTerminated = Value;
  if (Value) FVisible = false;
}

gfx::TPoint TrepProgress::CenteredIn(const gfx::TRect& R, int Width, int Height) {
  return {R.Left + (R.Right - R.Left - Width) / 2, R.Top + (R.Bottom - R.Top - Height) / 2};
}
