#pragma once
// The progress state the engine shows while it prepares, prints or exports without a preview:
// a message, a bar and a Cancel the engine polls through Terminated. A host with a screen shows
// it as a small window; the server shows nothing and keeps the state for whoever polls it.
#include <atomic>
#include <functional>
#include <string>

#include "platform/gfx/Canvas.h"

class TrepProgress {
public:
  // Client size of the window a host shows.
  static constexpr int ClientWidth = 271;
  static constexpr int ClientHeight = 101;
  // Where the message line stands with and without the bar.
  static constexpr int MessageTopWithBar = 15;
  static constexpr int MessageTopAlone = 35;

  // Starts afresh: not terminated, Cancel shown when Canceled, the bar when Progress, range 0 to
  // MaxValue at position 0, the message set.
  void Execute(int MaxValue, const std::string& Msg, bool Canceled, bool Progress);
  const std::string& Message() const { return FMessage; }
  void SetMessage(const std::string& Value);
  int Position() const { return FPosition; }
  // Stored and shown; pending messages of the host are processed (OnProcessMessages).
  void SetPosition(int Value);
  void Reset() { SetPosition(0); }
  // One step while the position lies inside the bar's range; at the maximum nothing moves.
  void Tick();
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  bool ShowProgress() const { return FProgress; }
  void SetShowProgress(bool Value) { FProgress = Value; }
  int MessageTop() const { return FProgress ? MessageTopWithBar : MessageTopAlone; }
  bool CancelVisible() const { return FCancelVisible; }
  // Read by the engine on its own thread while the host's Cancel writes it.
  bool Terminated() const { return FTerminated.load(); }
  // True also closes the window (Visible False).
  void SetTerminated(bool Value);
  // The Cancel button (or Esc).
  void CancelClick() { SetTerminated(true); }
  bool Visible() const { return FVisible; }

  // The window's top-left corner centred on R (the active window, else the work area).
  static gfx::TPoint CenteredIn(const gfx::TRect& R, int Width = ClientWidth, int Height = ClientHeight);

  std::function<void()> OnProcessMessages;

private:
  std::string FMessage;
  int FPosition = 0, FMin = 0, FMax = 100;
  bool FProgress = true, FCancelVisible = true, FVisible = false;
  std::atomic<bool> FTerminated{false};
};
