#pragma once

#include <string>
#include <vector>

#include "app/batch/ConversionSettings.h"

/// What the command line asks for.
struct TCliOptions {
  ConversionSettings Settings;
  int Jobs = 1;
  bool Quiet = false;
  bool StopOnError = false;  ///< a photo's error ends the run, as in the window
  bool Help = false;
  bool Version = false;
  std::string Error;  ///< a usage error; empty when the line is valid
};

/// Reads the arguments after the program name. defaultJobs is used when --jobs is absent.
TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, int defaultJobs);

/// The text of --help.
std::string CliUsage();
