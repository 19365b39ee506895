// tests/support/process_posix.cpp: starts the real zolkdf binary on POSIX systems, with its input
// from a file or on a pseudo-terminal.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/run_program.hpp"

namespace test_support {

namespace fs = std::filesystem;

namespace {

// Starts zolkdf with the arguments args and the file actions given, which it destroys; -1 when
// it cannot be started.
pid_t spawn_with(posix_spawn_file_actions_t& actions, const std::vector<std::string>& args) {
  std::vector<std::string> words{ZOLKDF_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, ZOLKDF_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

}  // namespace

program_result run_zolkdf(const fs::path& work, const std::string& keys,
                          const std::vector<std::string>& args, std::uint64_t file_size_limit) {
  // The captures live beside the work folder, so that the work folder holds only the files that
  // the program wrote.
  const fs::path io = scratch_folder("io");
  write_file(io / "stdin", keys);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (io / "stdin").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (io / "stdout").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (io / "stderr").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, work.c_str());

  // The child inherits the limit and the ignored signal, so that a write beyond the limit fails
  // instead of ending the process; this process gets its own back right after the start.
  rlimit old_limit{};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct sigaction old_action {};
  if (file_size_limit > 0) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old_action);
    const rlimit limit{static_cast<rlim_t>(file_size_limit), old_limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  const pid_t pid = spawn_with(actions, args);
  if (file_size_limit > 0) {
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::sigaction(SIGXFSZ, &old_action, nullptr);
  }
  if (pid < 0) throw std::runtime_error("cannot start " ZOLKDF_BINARY);
  const int status = wait_for_zolkdf(pid);

  program_result r;
  r.out = read_file(io / "stdout");
  r.err = read_file(io / "stderr");
  r.status = status;
  fs::remove_all(io);
  return r;
}

int spawn_zolkdf(const fs::path& work, const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, work.c_str());
  const pid_t pid = spawn_with(actions, args);
  if (pid < 0) throw std::runtime_error("cannot start " ZOLKDF_BINARY);
  return pid;
}

int wait_for_zolkdf(int process) {
  int wait_status = 0;
  ::waitpid(process, &wait_status, 0);
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

int start_on_terminal(const fs::path& work, bool echo, int& controller,
                      const std::vector<std::string>& args, unsigned short columns) {
  int device = -1;
  winsize size{24, columns, 0, 0};
  if (::openpty(&controller, &device, nullptr, nullptr, columns > 0 ? &size : nullptr) != 0)
    return -1;
  termios mode{};
  ::tcgetattr(device, &mode);
  if (!echo) mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
  mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  ::tcsetattr(device, TCSANOW, &mode);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(work.c_str()) != 0) ::_exit(126);
    ::setsid();
    ::ioctl(device, TIOCSCTTY, 0);
    ::dup2(device, 0);
    ::dup2(device, 1);
    ::dup2(device, 2);
    ::close(controller);
    ::close(device);
    std::vector<char*> argv{const_cast<char*>(ZOLKDF_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ZOLKDF_BINARY, argv.data());
    ::_exit(127);
  }
  ::close(device);
  return pid;
}

}  // namespace test_support
