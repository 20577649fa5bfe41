// The processor's entry point.
//
//   vorl-zeverezoz [--special-startup] [-fromlaunchagent]
//
// --special-startup (or VORL_SPECIAL_STARTUP=1) starts with processing off, as holding Shift does; the relaunch
// entry adds -fromlaunchagent, which changes nothing else. SIGTERM and SIGINT end the program in order: the
// step in hand finishes, nothing is left half-done.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "app/processing/background_print_app.h"
#include "app/processing/operator_messages.h"
#include "app/processing/processing_behaviour.h"
#include "foundation/services/messages.h"
#include "imaging/parallel/job_pool.h"

namespace {

int gSignalSocket[2] = {-1, -1};

void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(gSignalSocket[0], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorl-Zeverezoz"));
  QApplication::setQuitOnLastWindowClosed(false);
  // One pool thread per processor for the whole run: every resize, colour match, blur and fill of a job splits
  // its rows over it.
  vorl::MPJobs_Init();

  vorl::TBackgroundPrintApp::Options options;
  const char* special = std::getenv("VORL_SPECIAL_STARTUP");
  options.specialStartup = special != nullptr && std::strcmp(special, "1") == 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--special-startup") == 0) options.specialStartup = true;
  }

  vorl::OperatorMessages messages(nullptr);
  vorl::setMessageSink(&messages);
  struct SinkRemoval {
    ~SinkRemoval() { vorl::setMessageSink(nullptr); }
  } sinkRemoval;
  vorl::TBackgroundPrintApp application(options);
  QObject::connect(&application, &vorl::TBackgroundPrintApp::started, &application,
                   [&] { messages.setWindow(application.behaviour()->window()); });
  if (!application.DoInitialState()) return 1;

  // Termination signals reach the event loop through a socket, where quitting is safe.
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalSocket) == 0) {
    auto* notifier = new QSocketNotifier(gSignalSocket[1], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [&application] {
      char byte = 0;
      [[maybe_unused]] const auto got = ::read(gSignalSocket[1], &byte, 1);
      application.DoMenuCommand(vorl::kCommandQuit);
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
  }

  return QApplication::exec();
}
