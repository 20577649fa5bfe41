// The progress controller shared by the whole program (`gProgressIndicator`).
//
// Status texts and page images of every stage go through it to the processing behaviour (the main window). The
// small progress window (bar, title, text lines, Stop and Pause) opens only while no processing behaviour exists,
// which in normal running never holds; its cancel flag works either way and is what a switch-off sets.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "imaging/offscreen.h"

namespace vorl {

class JobObserver;
class ProgressWindow;

class TMyProgressIndicator {
 public:
  TMyProgressIndicator();
  ~TMyProgressIndicator();

  // Makes the (hidden) window for that template id (9002, 9003, ...).
  void IProgressIndicator(std::int16_t windowId);
  void SetProgressWindowResourceID(std::int16_t windowId);
  // The behaviour that status and images go to; null: there is none, so the window may open.
  void SetBehaviour(JobObserver* behaviour) noexcept { fBehaviour = behaviour; }

  void Reset();
  void Start(std::int32_t maximum, std::int32_t delayTicks);
  void Start(std::int32_t maximum, std::int16_t windowId, const QString& title, std::int32_t delayTicks);
  // Advances the bar by `delta` (negative: no advance); answers the cancel flag.
  bool Continue(std::int32_t delta);
  void Stop();
  void SetTitle(const QString& title);
  void SetText1(const QString& text);
  void SetText2(const QString& text);
  void SetText3(const QString& text);
  void SetText4(const QString& text);
  void SetText6(const QString& text);
  void SetStatus(const QString& text);
  void SetImage(const Offscreen* page);
  void IdleProgress();
  bool IsVisible() const;

  // The Stop button, Escape, or a switch-off of processing.
  void RequestCancel() noexcept { fCancelRequested = true; }
  bool CancelRequested() const noexcept { return fCancelRequested; }
  bool PauseRequested() const noexcept { return fPauseRequested; }
  ProgressWindow* window() const noexcept { return fProgressWindow.get(); }

 private:
  friend class ProgressWindow;
  std::unique_ptr<ProgressWindow> fProgressWindow;
  std::uint32_t fShowAtTicks = 0;
  bool fInitialised = false;
  std::atomic<bool> fCancelRequested{false};
  std::int16_t fWindowID = 0;
  std::atomic<bool> fPauseRequested{false};
  JobObserver* fBehaviour = nullptr;
};

// The one controller; null until the start command made it.
extern TMyProgressIndicator* gProgressIndicator;

}  // namespace vorl
