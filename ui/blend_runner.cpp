#include "ui/blend_runner.h"

#include "base/errors.h"

#include <QThread>

namespace lumicomb::ui {

/// The run's observer on the worker thread: signals for everything that shows, and the cancel
/// flag at every yield.
class BlendRunner::WorkerObserver : public RunObserver {
public:
  explicit WorkerObserver(BlendRunner &runner) : m_runner(runner) {}

  void setProgressVisible(bool visible) override { emit m_runner.progressVisibleChanged(visible); }
  void setPhase(const RunPhase &phase) override {
    m_lastValue = -1;
    emit m_runner.phaseChanged(QString::fromStdString(phase.name), phase.frames);
  }
  void setProgressMaximum(double maximum) override {
    emit m_runner.progressMaximumChanged(maximum);
  }
  /// Only changes cross over: a run yields once per source row, far more often than the bar
  /// can move.
  void setProgressValue(int64_t value) override {
    if (value == m_lastValue)
      return;
    m_lastValue = value;
    emit m_runner.progressValueChanged(value);
  }
  void yield() override {
    if (m_runner.m_cancel)
      throw LumicombError(ErrorKind::Cancelled, "the blend was cancelled");
  }
  bool cancelRequested() override { return m_runner.m_cancel; }
  void warn(const std::string &message) override {
    emit m_runner.warned(QString::fromStdString(message));
  }

private:
  BlendRunner &m_runner;
  int64_t m_lastValue = -1;
};

BlendRunner::BlendRunner(QObject *parent) : QObject(parent) {}

BlendRunner::~BlendRunner() {
  if (!m_thread)
    return;
  // Nobody is left to tell: stop, wait, and say nothing.
  m_cancel = true;
  m_thread->wait();
  delete m_thread;
}

bool BlendRunner::start(Job job) {
  if (m_thread)
    return false;
  m_cancel = false;
  m_failure.clear();
  m_cancelled = false;
  m_thread = QThread::create([this, job = std::move(job)] {
    WorkerObserver observer(*this);
    try {
      job(observer);
    } catch (const LumicombError &error) {
      m_cancelled = error.kind() == ErrorKind::Cancelled;
      m_failure = QString::fromStdString(oneLine(error.what()));
    } catch (const std::bad_alloc &) {
      m_failure = tr("There is not enough memory for this blend.");
    } catch (const std::exception &error) {
      m_failure = QString::fromStdString(oneLine(error.what()));
    }
  });
  // A run ended by cancelAndWait has been finished already when its thread's signal arrives;
  // the run number tells that signal apart from one of a later run.
  connect(m_thread, &QThread::finished, this, [this, run = m_runNumber] {
    if (run == m_runNumber && m_thread)
      finishRun();
  });
  m_thread->start();
  return true;
}

void BlendRunner::requestCancel() {
  if (m_thread)
    m_cancel = true;
}

void BlendRunner::cancelAndWait() {
  if (!m_thread)
    return;
  m_cancel = true;
  finishRun();
}

void BlendRunner::finishRun() {
  m_thread->wait();
  delete m_thread;
  m_thread = nullptr;
  ++m_runNumber;
  emit finished(m_failure, m_cancelled);
}

} // namespace lumicomb::ui
