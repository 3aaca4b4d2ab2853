// Holds back the requests that arrive while a load runs. A load hands the
// window's pending messages out once per entry, so a click on Open, Reset or
// an output, a dropped file or another load request can arrive in the middle
// of it; running one there would replace or read a list that is half built.
// Such a request is queued instead and runs, in the order it came, as soon as
// the load has ended: nothing the user asked for is lost, and nothing runs
// inside a load.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace voltrak {

struct HeldRequest {
  enum class Kind {
    kCommand,  // a command of the table, with its notification code
    kLoad,     // a request to load the current path again
    kDrop,     // dropped files, with the output named by the drop point
    kClose,    // the system close command
  };
  Kind What = Kind::kCommand;
  uint32_t Command = 0;
  uint32_t Notification = 0;
  std::vector<std::string> Files;
  uint32_t DropCommand = 0;
};

class RequestGate {
 public:
  bool LoadRunning() const { return loadRunning_; }
  void BeginLoad() { loadRunning_ = true; }
  // The list is complete; may be called more than once per load.
  void EndLoad() { loadRunning_ = false; }

  // Each returns true when the request has been queued because a load runs;
  // false means: carry it out now.
  bool HoldCommand(uint32_t id, uint32_t notification);
  bool HoldLoad();
  bool HoldDrop(const std::vector<std::string>& files, uint32_t dropCommand);
  bool HoldClose();

  // The next queued request, once no load runs.
  std::optional<HeldRequest> TakeNext();
  // Forgets what is queued (the window is going away).
  void Clear() { held_.clear(); }
  size_t HeldCount() const { return held_.size(); }

 private:
  bool Hold(HeldRequest request);

  bool loadRunning_ = false;
  std::deque<HeldRequest> held_;
};

}  // namespace voltrak
