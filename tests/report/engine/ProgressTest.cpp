// The progress state: steps inside the bar's range, Cancel polled by the engine, centring.
#include <gtest/gtest.h>

#include <thread>

#include "report/engine/repProgress.h"

TEST(Progress, TicksStayInsideTheRange) {
  TrepProgress P;
  int Pumped = 0;
  P.OnProcessMessages = [&] { ++Pumped; };
  P.Execute(2, "Preparing", true, true);
  EXPECT_EQ(P.Message(), "Preparing");
  EXPECT_TRUE(P.Visible());
  P.Tick();
  P.Tick();
  P.Tick();  // at the maximum: unchanged
  EXPECT_EQ(P.Position(), 2);
  EXPECT_EQ(Pumped, 3);  // Execute and two steps
  P.Reset();
  EXPECT_EQ(P.Position(), 0);
  P.SetPosition(-4);
  P.Tick();  // below the minimum: unchanged
  EXPECT_EQ(P.Position(), -4);
}

TEST(Progress, BarAndCancelFollowExecute) {
  TrepProgress P;
  P.Execute(10, "Exporting", false, false);
  EXPECT_FALSE(P.ShowProgress());
  EXPECT_EQ(P.MessageTop(), TrepProgress::MessageTopAlone);
  EXPECT_FALSE(P.CancelVisible());
  P.Execute(10, "Exporting", true, true);
  EXPECT_EQ(P.MessageTop(), TrepProgress::MessageTopWithBar);
  EXPECT_TRUE(P.CancelVisible());
}

TEST(Progress, CancelIsSeenByAnotherThreadAndClosesTheWindow) {
  TrepProgress P;
  P.Execute(100, "Printing", true, true);
  std::thread Engine([&] {
    while (!P.Terminated()) std::this_thread::yield();
  });
  P.CancelClick();
  Engine.join();
  EXPECT_FALSE(P.Visible());
  P.Execute(100, "Again", true, true);
  EXPECT_FALSE(P.Terminated());
}

TEST(Progress, CentredOnTheReferenceRectangle) {
  const gfx::TPoint C = TrepProgress::CenteredIn({100, 50, 900, 650});
  EXPECT_EQ(C.X, 100 + (800 - 271) / 2);
  EXPECT_EQ(C.Y, 50 + (600 - 101) / 2);
  // Division truncates toward zero when the window is larger than the rectangle.
  EXPECT_EQ(TrepProgress::CenteredIn({0, 0, 100, 100}).X, (100 - 271) / 2);
}
