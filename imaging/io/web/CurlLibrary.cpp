#include "imaging/io/web/CurlLibrary.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Debian's default flavour first, then the one built against the other TLS library.
const std::vector<std::string> kDefaultFiles = {"libcurl.so.4", "libcurl-gnutls.so.4"};

struct TCurlBindings {
  std::mutex lock;
  std::string chosenFile;
  // One binding per file name, kept for the life of the process: a library that set up its
  // TLS state is never unloaded. A null entry remembers a file that could not be bound.
  std::map<std::string, std::unique_ptr<TCurlApi>> byFile;
};

TCurlBindings& Bindings() {
  static TCurlBindings bindings;
  return bindings;
}

template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

std::unique_ptr<TCurlApi> Load(const std::string& file) {
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr)
    return nullptr;
  auto api = std::make_unique<TCurlApi>();
  decltype(&curl_global_init) globalInit = nullptr;
  const bool bound = Bind(library, "curl_global_init", globalInit) &&
                     Bind(library, "curl_easy_init", api->easyInit) &&
                     Bind(library, "curl_easy_setopt", api->easySetopt) &&
                     Bind(library, "curl_easy_perform", api->easyPerform) &&
                     Bind(library, "curl_easy_getinfo", api->easyGetinfo) &&
                     Bind(library, "curl_easy_cleanup", api->easyCleanup) &&
                     Bind(library, "curl_slist_append", api->slistAppend) &&
                     Bind(library, "curl_slist_free_all", api->slistFreeAll);
  // Global initialisation is not thread-safe; it runs here, once, under the bindings' lock.
  if (!bound || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    return nullptr;
  return api;
}

}  // namespace

const TCurlApi* CurlApi() {
  TCurlBindings& bindings = Bindings();
  std::lock_guard guard(bindings.lock);
  const std::vector<std::string> files =
      bindings.chosenFile.empty() ? kDefaultFiles : std::vector{bindings.chosenFile};
  for (const std::string& file : files) {
    auto [entry, added] = bindings.byFile.try_emplace(file);
    if (added)
      entry->second = Load(file);
    if (entry->second != nullptr)
      return entry->second.get();
  }
  return nullptr;
}

void SetCurlLibraryFile(const std::string& file) {
  TCurlBindings& bindings = Bindings();
  std::lock_guard guard(bindings.lock);
  bindings.chosenFile = file;
}
