#pragma once

#include <curl/curl.h>

#include <string>

/// The functions of the transfer library that the web load uses, bound at run time so that the
/// program starts and runs without it; only web loads need it.
struct TCurlApi {
  decltype(&curl_easy_init) easyInit = nullptr;
  decltype(&curl_easy_setopt) easySetopt = nullptr;
  decltype(&curl_easy_perform) easyPerform = nullptr;
  decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
  decltype(&curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&curl_slist_append) slistAppend = nullptr;
  decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

/// The bound functions, loaded and initialised on first use; null when the library or one of
/// its functions is missing.
const TCurlApi* CurlApi();

/// Names the shared library file to bind instead of the system's own; an empty name restores
/// the default. For packagers and tests of a machine without the library.
void SetCurlLibraryFile(const std::string& file);
