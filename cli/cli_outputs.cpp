#include "cli/cli_outputs.h"

#include "cli/cli_host.h"
#include "outputs/cue_label.h"
#include "outputs/html_report.h"
#include "outputs/split_lists.h"
#include "resources/resource.h"
#include "support/clock.h"
#include "support/file_system.h"

namespace voltrak::cli {
namespace {

// What the outputs meet, as lines on standard error.
class CliOutputHost : public OutputHost {
 public:
  explicit CliOutputHost(std::FILE* messages) : messages_(messages) {}
  void CannotWrite(std::string_view path, uint32_t error) override {
    Print(GnuMessage(UserNameOf(path), "cannot write the file: " + FailureReason(error, path)));
  }
  void NoTrackName() override { Print(GnuMessage({}, AsClause(kNoTrackNameText))); }

 private:
  void Print(const std::string& line) { std::fprintf(messages_, "%s\n", line.c_str()); }

  std::FILE* messages_;
};

}  // namespace

std::optional<std::string> ChooseListings(std::string_view names, OptionFlags& flags) {
  for (const ReportListing& listing : kReportListings) flags.*listing.Switch = 0;
  while (!names.empty()) {
    size_t comma = names.find(',');
    std::string_view name = names.substr(0, comma);
    names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    const ReportListing* found = nullptr;
    for (const ReportListing& listing : kReportListings) {
      if (name == listing.Name) found = &listing;
    }
    if (found == nullptr) return std::string(name);
    flags.*found->Switch = 1;
  }
  return std::nullopt;
}

bool WriteOutputs(const OutputRequest& request, Playlist& playlist,
                  const PlanningSettings& planning, std::string_view playlistPath,
                  std::FILE* messages) {
  CliOutputHost host(messages);
  OutputTarget target{playlistPath, SystemFileSystem(), host};
  uint32_t failures = 0;
  if (request.Split) failures += WriteSplitLists(playlist, target).Failures;
  if (request.Html) {
    ReportSettings settings{planning, request.Listings, MAKER_WEB_ADDRESS};
    failures += WriteHtmlReport(playlist, settings, SystemClock(), target).Failures;
  }
  if (request.Cue) failures += WriteCueSheet(playlist, target).Failures;
  if (request.Label) failures += WriteLabelFile(playlist, target).Failures;
  return failures == 0;
}

}  // namespace voltrak::cli
