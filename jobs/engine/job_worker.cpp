#include "jobs/engine/job_worker.h"

#include <chrono>

#include "jobs/engine/job_queue.h"
#include "jobs/engine/job_task_manager.h"
#include "platform/core/baton.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

// The behaviour's idle interval: 15 ticks.
constexpr std::chrono::milliseconds kIdleWait{250};

std::atomic<WorkerPassGate> gPassGate{nullptr};

}  // namespace

void setWorkerPassGate(WorkerPassGate gate) noexcept { gPassGate.store(gate); }

TSimpleThread::TSimpleThread(TPrintJobTaskManager& manager) : fManager(manager) {}

TSimpleThread::~TSimpleThread() { ShutdownAndJoin(); }

void TSimpleThread::Start() {
  if (fThread.joinable()) return;
  fShutdown = false;
  fFinished = false;
  fThread = std::thread([this] { Run(); });
}

void TSimpleThread::Wake() {
  {
    std::lock_guard<std::mutex> lock(fWaitMutex);
    fWoken = true;
  }
  fWakeUp.notify_one();
}

void TSimpleThread::ShutdownAndJoin() {
  fShutdown = true;
  Wake();
  if (fThread.joinable()) fThread.join();
}

void TSimpleThread::Run() {
  while (!fShutdown.load()) {
    if (const WorkerPassGate gate = gPassGate.load()) gate(fManager);
    bool idle = true;
    {
      BatonHold hold;
      if (fShutdown.load()) break;
      if (fManager.IsActive()) {
        try {
          fManager.DoNextTask();
        } catch (...) {
          // DoNextTask catches what a job throws; nothing may end the worker.
          systemLog("The job worker caught an exception");
        }
      }
      // Nothing to do: processing is off, or no job is in hand and none waits.
      idle = !fManager.IsActive() ||
             (fManager.currentTask() == 0 && (gJobFileList == nullptr || gJobFileList->empty()));
    }
    if (idle) {
      std::unique_lock<std::mutex> lock(fWaitMutex);
      fWakeUp.wait_for(lock, kIdleWait, [this] { return fWoken || fShutdown.load(); });
      fWoken = false;
    } else {
      std::this_thread::yield();
    }
  }
  fFinished = true;
}

}  // namespace vorl
