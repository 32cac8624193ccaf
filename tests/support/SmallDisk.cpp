#include "tests/support/SmallDisk.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

constexpr int kUnavailable = 77;

bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return written;
}

// A private mount namespace; without root, a user namespace that maps the caller to root in it.
bool EnterOwnMountNamespace() {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (uid == 0)
    return unshare(CLONE_NEWNS) == 0;
  return unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
         WriteProcFile("/proc/self/setgroups", "deny") &&
         WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
         WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

}  // namespace

std::optional<int> RunOnSmallDisk(const std::filesystem::path& folder, std::uint64_t bytes,
                                  const std::function<int()>& body) {
  const pid_t child = fork();
  if (child < 0)
    return std::nullopt;
  if (child == 0) {
    // Mounts made from here on must not reach the parent's namespace.
    if (!EnterOwnMountNamespace() ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) !=
            0) {
      _exit(kUnavailable);
    }
    _exit(body());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child)
    return std::nullopt;
  if (!WIFEXITED(status))
    return -1;  // a crash or an uncaught exception in body
  if (WEXITSTATUS(status) == kUnavailable)
    return std::nullopt;
  return WEXITSTATUS(status);
}
