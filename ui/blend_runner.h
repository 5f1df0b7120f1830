#pragma once
// Runs one blend at a time on a worker thread, so the windows stay alive meanwhile. What the run
// tells its observer crosses back to the UI thread as queued signals.
#include "passes/run_observer.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

namespace lumicomb::ui {

class BlendRunner : public QObject {
  Q_OBJECT
public:
  /// The work of one run, done on the worker thread; it keeps what it makes for the window to
  /// take once `finished` has come.
  using Job = std::function<void(RunObserver &observer)>;

  explicit BlendRunner(QObject *parent = nullptr);
  /// Stops a run still going and waits for it, without signalling.
  ~BlendRunner() override;

  bool isRunning() const { return m_thread != nullptr; }
  /// Starts the job; a runner that is busy refuses (returns false).
  bool start(Job job);
  /// Makes the run stop at its next yield, or its next write when it is saving, without
  /// waiting: `finished` follows, cancelled, as soon as it has.
  void requestCancel();
  /// Makes the run stop at its next yield and waits for its thread; `finished` still follows.
  void cancelAndWait();

signals:
  void progressVisibleChanged(bool visible);
  /// A new phase of the run, counting `frames`; the maximum and values that follow measure it.
  void phaseChanged(const QString &name, qint64 frames);
  void progressMaximumChanged(double maximum);
  void progressValueChanged(qint64 value);
  /// Something the user should know once the run is over.
  void warned(const QString &message);
  /// The run is over: `failure` is empty when it succeeded; `cancelled` when it was stopped.
  void finished(const QString &failure, bool cancelled);

private:
  class WorkerObserver;
  void finishRun();

  QThread *m_thread = nullptr;
  unsigned m_runNumber = 0;
  std::atomic<bool> m_cancel{false};
  QString m_failure;
  bool m_cancelled = false;
};

} // namespace lumicomb::ui
