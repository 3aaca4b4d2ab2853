// Holds back the requests that arrive while long work runs. A load, a track
// copy or a rewrite's reload hands the window's pending messages out between
// items, so a click on Open, Reset or an output, a dropped file or another
// load request can arrive in the middle of it; running one there would
// replace or read a list that is half built. Such a request is queued
// instead and runs, in the order it came, as soon as the work has ended:
// nothing the user asked for is lost, and nothing runs inside the work.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace voltrak {

struct HeldRequest {
  enum class Kind {
    kCommand,  // a command of the table, with its notification code
    kLoad,     // a request to load the current path again
    kDrop,     // dropped files, with where they were dropped
    kClose,    // the system close command
    kPlan,     // a plan of the list (MSG_PLAN_VOLUMES, a planning control)
    kRewrite,  // the rewrite of the playlist file (MSG_REWRITE_PLAYLIST)
  };
  Kind What = Kind::kCommand;
  uint32_t Command = 0;
  uint32_t Notification = 0;
  std::string Path;  // a load: the path current when it was asked for
  std::vector<std::string> Files;
  bool DropInClient = false;  // a drop: the point lay in the client area
  uint32_t DropChild = 0;     // a drop: the id of the control under the point
};

class RequestGate {
 public:
  // Work may nest (the rewrite's reload inside the load that asked for it);
  // requests wait until the outermost piece has ended.
  bool Busy() const { return depth_ != 0; }
  void BeginWork() { ++depth_; }
  void EndWork() {
    if (depth_ != 0) --depth_;
  }

  // Lets the next command with this id through although work runs: the
  // automatic repeat at the end of a load runs with the rest still held.
  void PassOnce(uint32_t id) { passing_ = id; }

  // Each returns true when the request has been queued (or was queued
  // already) because work runs; false means: carry it out now.
  bool HoldCommand(uint32_t id, uint32_t notification);
  // A load of a path that already waits is not queued twice: the watcher
  // may ask again and again while a long load runs.
  bool HoldLoad(std::string_view path);
  bool HoldDrop(const std::vector<std::string>& files, bool inClient, uint32_t child);
  bool HoldClose();
  // Plans and rewrites read the whole list: one of each waiting is enough,
  // as both take the list as it is when they run.
  bool HoldPlan() { return HoldOnce(HeldRequest::Kind::kPlan); }
  bool HoldRewrite() { return HoldOnce(HeldRequest::Kind::kRewrite); }

  // The next queued request, once no work runs.
  std::optional<HeldRequest> TakeNext();
  // Forgets what is queued (the window is going away).
  void Clear() { held_.clear(); }
  size_t HeldCount() const { return held_.size(); }

 private:
  bool Hold(HeldRequest request);
  bool HoldOnce(HeldRequest::Kind kind);

  unsigned depth_ = 0;
  uint32_t passing_ = 0;
  std::deque<HeldRequest> held_;
};

}  // namespace voltrak
