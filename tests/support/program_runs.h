#ifndef LOGVANE_TESTS_SUPPORT_PROGRAM_RUNS_H_
#define LOGVANE_TESTS_SUPPORT_PROGRAM_RUNS_H_

// Runs of the real binary, started side by side: started with one log, its
// console output thrown away, and waited for.

#include <cstdint>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace logvane {

/// A started run: its process id, and on Windows its handle.
struct ProgramRun {
  std::intptr_t id = -1;
  std::intptr_t handle = 0;
};

#ifdef _WIN32
/// Starts logvane on log in a process group of its own, so that a console
/// event can be sent to it alone.
inline ProgramRun start_logvane(const std::string& log) {
  // The build names the binary by its Linux path, which Wine has as Z:.
  std::string binary = LOGVANE_BINARY;
  if (!binary.empty() && binary[0] == '/') binary = "Z:" + binary;
  std::string line = "\"" + binary + "\" \"" + log + "\"";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE,
                                  &inherited, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null;
  startup.hStdOutput = null;
  startup.hStdError = null;
  PROCESS_INFORMATION process{};
  ProgramRun run;
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                     CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    run.id = process.dwProcessId;
    run.handle = reinterpret_cast<std::intptr_t>(process.hProcess);
  }
  CloseHandle(null);
  return run;
}

/// How the run ended: "status N" (hexadecimal above 255).
inline std::string wait_program(const ProgramRun& run) {
  if (run.id < 0) return "not started";
  const HANDLE process = reinterpret_cast<HANDLE>(run.handle);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  if (code <= 255) return "status " + std::to_string(code);
  std::string hexadecimal = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) {
    hexadecimal += "0123456789ABCDEF"[(code >> shift) & 0xF];
  }
  return "status " + hexadecimal;
}
#else
/// Lowers a soft resource limit of this process while it lives: a started
/// run inherits it.
class SoftLimit {
 public:
  SoftLimit(int resource, rlim_t limit) : resource_(resource) {
    getrlimit(resource_, &old_);
    const rlimit lowered = {limit, old_.rlim_max};
    setrlimit(resource_, &lowered);
  }
  ~SoftLimit() { setrlimit(resource_, &old_); }
  SoftLimit(const SoftLimit&) = delete;
  SoftLimit& operator=(const SoftLimit&) = delete;

 private:
  int resource_;
  rlimit old_{};
};

/// Starts logvane on log, its standard output and error on out and errors;
/// -1 if it could not be started. posix_spawn rather than fork: under
/// qemu-i386 (7.2) the child of a dynamically linked guest's fork hangs.
inline pid_t spawn_logvane(const std::string& log, int out, int errors) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
  // A cross-built program runs under its emulator (qemu-user), whose
  // words LOGVANE_EMULATOR holds.
  const char* const command[] = {LOGVANE_EMULATOR LOGVANE_BINARY,
                                 log.c_str(), nullptr};
  pid_t id = -1;
  if (posix_spawn(&id, command[0], &actions, nullptr,
                  const_cast<char* const*>(command), environ) != 0) {
    id = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return id;
}

/// Starts logvane on log; its core dumps are switched off.
inline ProgramRun start_logvane(const std::string& log) {
  const SoftLimit no_core(RLIMIT_CORE, 0);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  ProgramRun run;
  run.id = spawn_logvane(log, null, null);
  close(null);
  return run;
}

/// How the run ended: "status N" or "signal N".
inline std::string wait_program(const ProgramRun& run) {
  if (run.id < 0) return "not started";
  int status = 0;
  if (waitpid(static_cast<pid_t>(run.id), &status, 0) < 0) return "lost";
  return WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                           : "signal " + std::to_string(WTERMSIG(status));
}
#endif

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_PROGRAM_RUNS_H_
