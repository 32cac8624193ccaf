#include "cli/CliWindow.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

TCliWindow::TCliWindow(const ConversionSettings& settings, bool quiet, bool terminal,
                       std::ostream& out, std::ostream& err)
    : settings_(settings), quiet_(quiet), terminal_(terminal), out_(out), err_(err) {}

void TCliWindow::SetStatusText(const std::string& text) {
  if (quiet_)
    return;
  if (text.empty()) {
    EndBar();
  } else if (terminal_ && text.starts_with("Conversion: ")) {
    DrawBar(text);
  } else {
    EndBar();
    out_ << text << '\n';
  }
}

void TCliWindow::ShowMessage(const std::string& text, TMessageKind kind) {
  EndBar();
  if (kind == mkError || kind == mkFailure) {
    err_ << text << '\n';
  } else if (kind == mkWarning || !quiet_) {
    out_ << text << '\n';
  }
  out_.flush();
}

void TCliWindow::NotePhotoProblem(const std::string& text) {
  EndBar();
  err_ << "warning: " << text << '\n';
  err_.flush();
}

void TCliWindow::DrawBar(const std::string& text) {
  const int filled =
      maximum_ > 0 ? static_cast<int>(static_cast<long long>(position_) * kBarWidth / maximum_) : 0;
  out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << position_ << '/'
       << maximum_ << "  " << text << std::flush;
  barShown_ = true;
}

void TCliWindow::EndBar() {
  if (!barShown_)
    return;
  out_ << '\n';
  barShown_ = false;
}
