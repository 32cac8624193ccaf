#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

/// Runs body in a child process in which folder is a fresh tmpfs of the given size: a full disk
/// made to order. Returns what body returned (its exit status), or nothing when this system
/// cannot mount one for an unprivileged test (no mount namespaces), so that the test can skip;
/// -1 when body did not return (a crash, an uncaught exception).
/// The parent's view of folder is never changed.
std::optional<int> RunOnSmallDisk(const std::filesystem::path& folder, std::uint64_t bytes,
                                  const std::function<int()>& body);
