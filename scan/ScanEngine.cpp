#include "scan/ScanEngine.h"

#include <algorithm>

namespace {

AdapterEventCallback EventCallback(ScanEngine::EventPath path, ScanEngine& engine) {
  if (path == ScanEngine::EventPath::EventLoop) return PostToApplication();
  return [&engine](std::int32_t code) { engine.DispatchAdapterEvent(AdapterEventCode(code)); };
}

}  // namespace

ScanEngine::ScanEngine(Ports ports, ScanPolicy policy)
    : policy_(policy),
      state_(policy_.attemptsPerRow, ports.catalogue.RowCount()),
      statusTexts_(ports.status),
      outcomeLog_(ports.catalogue),
      link_({ports.adapter, ports.settings, ports.errors, observers_},
            EventCallback(ports.events, *this)),
      transactions_(state_,
                    {ports.adapter, ports.catalogue, ports.settings, ports.errors,
                     ports.transactionTimer, ports.log, observers_},
                    policy_),
      sequencer_(state_,
                 {.catalogue = ports.catalogue,
                  .controls = ports.controls,
                  .link = link_,
                  .transactions = transactions_,
                  .transactionTimer = ports.transactionTimer,
                  .repeatTimer = ports.repeatTimer,
                  .clock = ports.clock,
                  .log = ports.log,
                  .events = observers_},
                 policy_),
      dispatch_({ports.adapter, ports.catalogue, sequencer_, ports.transactionTimer, ports.log,
                 observers_},
                policy_) {
  observers_.list = {&statusTexts_, &outcomeLog_};
  ports.transactionTimer.SetTickHandler([this] { IssueNextTransaction(); });
  ports.repeatTimer.SetTickHandler([this] { RepeatPassWhenDue(); });
  if (ports.events == EventPath::EventLoop) {
    messageHook_ = std::make_unique<ApplicationMessageHook>(
        [this](QEvent* message) { AppMessageHandler(message); });
  }
}

void ScanEngine::DispatchAdapterEvent(std::uint16_t eventCode) {
  dispatch_.DispatchAdapterEvent(eventCode);
}

void ScanEngine::Command(std::function<void()> command) {
  if (observers_.telling == 0) {
    command();
    return;
  }
  observers_.commands.push_back(std::move(command));
}

void ScanEngine::Observers::RunCommands() {
  while (telling == 0 && !commands.empty()) {
    const std::function<void()> command = std::move(commands.front());
    commands.pop_front();
    command();
  }
}

bool ScanEngine::AppMessageHandler(QEvent* message) {
  if (const std::optional<std::uint16_t> code = AdapterEventCode(message)) {
    DispatchAdapterEvent(*code);
  }
  return false;
}

void ScanEngine::AddObserver(ScanObserver& observer) {
  observers_.list.push_back(&observer);
}

void ScanEngine::RemoveObserver(ScanObserver& observer) {
  std::erase(observers_.list, &observer);
}
