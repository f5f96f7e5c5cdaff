#pragma once

#include <QEvent>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "battery/RegisterCatalogue.h"
#include "link/AdapterEventDispatch.h"
#include "link/AdapterMessages.h"
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
  // How the adapter's events reach DispatchAdapterEvent.
  enum class EventPath {
    // Posted to the application's event loop from whatever thread the
    // library reports on, and taken from there by the engine's message hook.
    EventLoop,
    // Dispatched at once, on the thread that reports them (a deterministic
    // rig reports on the caller's).
    Direct,
  };

  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    ScanControls& controls;
    StatusLine& status;
    LinkSettings& settings;
    ErrorReporter& errors;
    Timer& transactionTimer;
    Timer& repeatTimer;
    Clock& clock;
    ScanLog& log;
    EventPath events = EventPath::EventLoop;
  };

  ScanEngine(Ports ports, ScanPolicy policy);
  ScanEngine(const ScanEngine&) = delete;
  ScanEngine& operator=(const ScanEngine&) = delete;

  // A scan of the ticked rows, reading or writing them; nothing while one
  // runs.
  void Start(ScanMode mode) { sequencer_.Start(mode); }
  // The running scan stops once the row in flight has its outcome; nothing
  // when none runs.
  void Stop() { sequencer_.Stop(); }
  // Reading or writing from now on: a running scan stops.
  void SetMode(ScanMode mode) { sequencer_.SetMode(mode); }
  void SelectAll() { sequencer_.SelectAll(); }
  void DeselectAll() { sequencer_.DeselectAll(); }
  void SetRepeatInterval(RepeatInterval interval) { sequencer_.SetRepeatInterval(interval); }
  bool IsRunning() const { return state_.running; }

  // The timers' ticks, which the engine hooks to its two timers.
  void IssueNextTransaction() { sequencer_.IssueNextTransaction(); }
  void RepeatPassWhenDue() { sequencer_.RepeatPassWhenDue(); }

  // Every adapter event, by its code.
  void DispatchAdapterEvent(std::uint16_t eventCode);
  // Sees an application event: an adapter message goes to the dispatch.
  // It never marks the event as handled.
  bool AppMessageHandler(QEvent* message);

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
  std::unique_ptr<ApplicationMessageHook> messageHook_;
};
