// The progress controller shared by the whole program (`gProgressIndicator`).
//
// Every stage reports its status lines and page images here, and they reach the processing behaviour (the main
// window). The small progress window (bar, title, text lines, Stop and Pause) is only a fallback for a program
// without a processing behaviour, so in normal running it stays closed; its cancel flag works either way and is
// what a switch-off sets. Any thread may call it: the window's work is carried out on the main thread.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/offscreens/offscreen.h"

class QObject;

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
  // Main thread only: other threads' window work is still queued there.
  ProgressWindow* window() const noexcept { return fProgressWindow.get(); }

 private:
  friend class ProgressWindow;
  // Runs `work` on the main thread: at once when called there, else queued (widgets belong to the main thread,
  // and the job worker must never wait for it).
  void onMainThread(std::function<void()> work);
  void replaceWindow(std::int16_t windowId);

  std::unique_ptr<ProgressWindow> fProgressWindow;
  std::uint32_t fShowAtTicks = 0;
  bool fInitialised = false;
  std::atomic<bool> fCancelRequested{false};
  std::int16_t fWindowID = 0;
  std::atomic<bool> fPauseRequested{false};
  JobObserver* fBehaviour = nullptr;
  std::atomic<bool> fVisible{false};     // the window's visibility, readable from any thread
  std::unique_ptr<QObject> fMainThread;  // lives on the main thread; queued work dies with it
};

// The one controller; null until the start command made it.
extern TMyProgressIndicator* gProgressIndicator;

}  // namespace vorl
