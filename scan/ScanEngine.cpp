#include "scan/ScanEngine.h"

#include <algorithm>

ScanEngine::ScanEngine(Ports ports, ScanPolicy policy)
    : policy_(policy),
      state_(policy_.attemptsPerRow, ports.catalogue.RowCount()),
      statusTexts_(ports.status),
      outcomeLog_(ports.catalogue),
      link_({ports.adapter, ports.settings, ports.errors, observers_}, std::move(ports.events)),
      transactions_(state_,
                    {ports.adapter, ports.catalogue, ports.settings, ports.errors, ports.timer1,
                     ports.log, observers_},
                    policy_),
      sequencer_(state_,
                 {ports.catalogue, ports.controls, link_, transactions_, ports.timer1, ports.timer2,
                  ports.clock, ports.log, observers_},
                 policy_),
      dispatch_({ports.adapter, ports.catalogue, sequencer_, ports.timer1, ports.log, observers_},
                policy_) {
  observers_.list = {&statusTexts_, &outcomeLog_};
  ports.timer1.SetTickHandler([this] { sequencer_.Timer1Timer(); });
  ports.timer2.SetTickHandler([this] { sequencer_.Timer2Timer(); });
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

void ScanEngine::AddObserver(ScanObserver& observer) {
  observers_.list.push_back(&observer);
}

void ScanEngine::RemoveObserver(ScanObserver& observer) {
  std::erase(observers_.list, &observer);
}
