#include "support/run_program.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace lumicomb::test {

RunResult runProgram(std::vector<std::string> words, const std::vector<std::string> &settings,
                     const std::string &workingFolder, const WhileRunning &whileRunning) {
  std::vector<char *> argv;
  for (std::string &word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);

  std::vector<std::string> environment;
  for (char **entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const bool overridden = std::any_of(settings.begin(), settings.end(), [&](const auto &set) {
      return text.starts_with(set.substr(0, set.find('=') + 1));
    });
    if (!overridden)
      environment.push_back(text);
  }
  environment.insert(environment.end(), settings.begin(), settings.end());
  std::vector<char *> envp;
  for (std::string &entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
    throw std::runtime_error("cannot make pipes");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
    posix_spawn_file_actions_addclose(&actions, fd);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (whileRunning.stopSignalsHeld) {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &held);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  }
  pid_t child = 0;
  const int spawned =
      ::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (spawned != 0)
    throw std::runtime_error(std::string("cannot start the tool: ") + std::strerror(spawned));

  std::thread acting;
  if (whileRunning.act)
    acting = std::thread(whileRunning.act, static_cast<int>(child));
  // Both pipes are drained together so that a full stderr can never stall the child.
  RunResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string *sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0)
      continue;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[k].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[k]->append(buffer, static_cast<size_t>(got));
      } else {
        ::close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  if (acting.joinable())
    acting.join();
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.peakKiB = usage.ru_maxrss;
  return result;
}

} // namespace lumicomb::test
