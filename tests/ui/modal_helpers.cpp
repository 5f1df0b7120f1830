#include "ui/modal_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace lumicomb::test {
namespace {

constexpr int kPollMilliseconds = 10;
constexpr int kModalWaitMilliseconds = 5000;

void pollForModal(std::function<void(QWidget *)> answer, int waited) {
  QTimer::singleShot(kPollMilliseconds, [answer = std::move(answer), waited]() mutable {
    if (QWidget *modal = QApplication::activeModalWidget())
      return answer(modal);
    if (waited >= kModalWaitMilliseconds) {
      ADD_FAILURE() << "no modal window opened";
      return;
    }
    pollForModal(std::move(answer), waited + kPollMilliseconds);
  });
}

} // namespace

void whenModalOpens(std::function<void(QWidget *modal)> answer) {
  pollForModal(std::move(answer), 0);
}

void acceptNextMessage(QString *text) {
  whenModalOpens([text](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
      ADD_FAILURE() << "expected a message box, found " << modal->metaObject()->className();
      modal->close();
      return;
    }
    if (text)
      *text = box->text();
    box->accept();
  });
}

struct MessageCollector::State {
  QTimer timer;
  QStringList texts;
};

MessageCollector::MessageCollector() : m_state(new State) {
  QObject::connect(&m_state->timer, &QTimer::timeout, [state = m_state] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      state->texts.append(box->text());
      box->accept();
    }
  });
  m_state->timer.start(kPollMilliseconds);
}

MessageCollector::~MessageCollector() { delete m_state; }

const QStringList &MessageCollector::texts() const { return m_state->texts; }

bool waitUntil(const std::function<bool()> &done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds) {
    QApplication::processEvents(QEventLoop::AllEvents, kPollMilliseconds);
    // Outside an event loop of its own, a test would never see windows closed for good.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return done();
}

} // namespace lumicomb::test
