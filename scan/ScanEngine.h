#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "battery/RegisterCatalogue.h"
#include "link/AdapterEventDispatch.h"
#include "link/BusTransactions.h"
#include "link/LinkControl.h"
#include "link/LinkPorts.h"
#include "link/StatusTexts.h"
#include "link/adapter/AdapterLibrary.h"
#include "scan/ScanOutcomeLog.h"
#include "scan/sequencer/ScanLog.h"
#include "scan/sequencer/ScanObserver.h"
#include "scan/sequencer/ScanPolicy.h"
#include "scan/sequencer/ScanPorts.h"
#include "scan/sequencer/ScanSequencer.h"
#include "scan/sequencer/ScanState.h"
#include "timing/Clock.h"
#include "timing/Timer.h"

// The scan, wired once: its state, the link control, the bus transactions,
// the sequencer and the adapter event dispatch, under one policy. What it
// needs of the window (or of whatever stands in for it) comes through ports;
// what happens comes out as typed events to its observers. The status line
// is drawn from those same events.
class ScanEngine {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    ScanControls& controls;
    StatusLine& status;
    LinkSettings& settings;
    ErrorReporter& errors;
    Timer& timer1;  // transaction timer
    Timer& timer2;  // auto-repeat timer
    Clock& clock;
    ScanLog& log;
    // How the adapter's events reach DispatchAdapterEvent: the library is
    // given this at every open.
    AdapterEventCallback events;
  };

  ScanEngine(Ports ports, ScanPolicy policy);
  ScanEngine(const ScanEngine&) = delete;
  ScanEngine& operator=(const ScanEngine&) = delete;

  // The scan's handlers: the Read Data button, the timers' ticks, the
  // select button, the tab strip and the repeat intervals.
  ScanSequencer& Sequencer() { return sequencer_; }
  // The row's transaction, as the sequencer issues it.
  BusTransactions& Transactions() { return transactions_; }
  void DispatchAdapterEvent(std::uint16_t eventCode);

  // Observers are told in the order they were added, after the status line.
  // They are added and removed between events, never while one is told.
  void AddObserver(ScanObserver& observer);
  void RemoveObserver(ScanObserver& observer);

  // A command an observer gives the scan (Stop, for instance) runs once the
  // event under way has been told to every observer, so that none hears of
  // its effects before the event itself. Between events it runs at once.
  void Command(std::function<void()> command);

  const ScanPolicy& Policy() const { return policy_; }
  const ScanState& State() const { return state_; }
  // For tests that put the scan at a given row.
  ScanState& State() { return state_; }

 private:
  // Tells every observer of the list each event.
  class Observers : public ScanObserver {
   public:
    std::vector<ScanObserver*> list;
    std::deque<std::function<void()>> commands;  // given while an event is told
    int telling = 0;                             // events being told, nested

    void AdapterReported(std::uint16_t eventCode) override {
      Tell(&ScanObserver::AdapterReported, eventCode);
    }
    void LinkOpening() override { Tell(&ScanObserver::LinkOpening); }
    void LinkOpened() override { Tell(&ScanObserver::LinkOpened); }
    void LinkFailed(const LinkFailure& failure) override {
      Tell(&ScanObserver::LinkFailed, failure);
    }
    void LinkClosed() override { Tell(&ScanObserver::LinkClosed); }
    void PassStarted(const QDateTime& start) override { Tell(&ScanObserver::PassStarted, start); }
    void TransactionIssued(const RowTransaction& transaction) override {
      Tell(&ScanObserver::TransactionIssued, transaction);
    }
    void RowRead(const RowReading& reading) override { Tell(&ScanObserver::RowRead, reading); }
    void RowWritten(int row) override { Tell(&ScanObserver::RowWritten, row); }
    void RowFailed(const RowFailure& failure) override { Tell(&ScanObserver::RowFailed, failure); }
    void PassEnded(const QDateTime& start) override { Tell(&ScanObserver::PassEnded, start); }
    void ScanStopped(ScanStop reason) override { Tell(&ScanObserver::ScanStopped, reason); }
    void ScanHalted(const ScanHalt& halt) override { Tell(&ScanObserver::ScanHalted, halt); }

   private:
    template <typename Event, typename... Args>
    void Tell(Event event, const Args&... args) {
      ++telling;
      for (ScanObserver* observer : list) (observer->*event)(args...);
      --telling;
      RunCommands();
    }
    void RunCommands();
  };

  const ScanPolicy policy_;
  ScanState state_;
  Observers observers_;
  StatusTexts statusTexts_;
  ScanOutcomeLog outcomeLog_;
  LinkControl link_;
  BusTransactions transactions_;
  ScanSequencer sequencer_;
  AdapterEventDispatch dispatch_;
};
