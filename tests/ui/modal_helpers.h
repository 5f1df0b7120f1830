#pragma once
// Modal dialogs and message boxes block the test that opens them; these answer them from the
// event loop while they are up.
#include <QString>
#include <QStringList>

#include <QWidget>

#include <functional>
#include <stdexcept>
#include <string>

namespace lumicomb::test {

/// Once a modal window is up, hands it to `answer` (which should close it). Call before the code
/// that opens it. Fails the test if no modal window appears within a few seconds.
void whenModalOpens(std::function<void(QWidget *modal)> answer);

/// Closes the next message box and stores its text in `*text` (if given).
void acceptNextMessage(QString *text = nullptr);

/// Closes every message box that opens until the returned guard goes, collecting their texts.
class MessageCollector {
public:
  MessageCollector();
  ~MessageCollector();
  MessageCollector(const MessageCollector &) = delete;
  MessageCollector &operator=(const MessageCollector &) = delete;

  const QStringList &texts() const;

private:
  struct State;
  State *m_state;
};

/// The control of that object name and type under `root`; a missing one fails the test loudly.
template <typename Control> Control *findControl(const QWidget *root, const char *name) {
  if (auto *found = root->findChild<Control *>(name))
    return found;
  throw std::runtime_error(std::string("no control ") + name);
}

/// Processes events until `done` holds or the time is up; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int milliseconds = 10000);

} // namespace lumicomb::test
