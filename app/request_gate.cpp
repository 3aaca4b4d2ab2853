#include "app/request_gate.h"

#include <utility>

#include "app/shell_rules.h"

namespace voltrak {

bool RequestGate::Hold(HeldRequest request) {
  if (!Busy()) return false;
  held_.push_back(std::move(request));
  return true;
}

bool RequestGate::HoldCommand(uint32_t id, uint32_t notification) {
  if (passing_ != 0 && id == passing_) {
    passing_ = 0;
    return false;
  }
  if (!WaitsForLoad(id)) return false;
  HeldRequest request;
  request.What = HeldRequest::Kind::kCommand;
  request.Command = id;
  request.Notification = notification;
  return Hold(std::move(request));
}

bool RequestGate::HoldLoad(std::string_view path) {
  if (!Busy()) return false;
  for (const HeldRequest& waiting : held_) {
    if (waiting.What == HeldRequest::Kind::kLoad && waiting.Path == path) return true;
  }
  HeldRequest request;
  request.What = HeldRequest::Kind::kLoad;
  request.Path = std::string(path);
  return Hold(std::move(request));
}

bool RequestGate::HoldDrop(const std::vector<std::string>& files, bool inClient, uint32_t child) {
  if (!Busy()) return false;
  HeldRequest request;
  request.What = HeldRequest::Kind::kDrop;
  request.Files = files;
  request.DropInClient = inClient;
  request.DropChild = child;
  return Hold(std::move(request));
}

bool RequestGate::HoldClose() {
  HeldRequest request;
  request.What = HeldRequest::Kind::kClose;
  return Hold(std::move(request));
}

bool RequestGate::HoldOnce(HeldRequest::Kind kind) {
  if (!Busy()) return false;
  for (const HeldRequest& waiting : held_) {
    if (waiting.What == kind) return true;
  }
  HeldRequest request;
  request.What = kind;
  return Hold(std::move(request));
}

std::optional<HeldRequest> RequestGate::TakeNext() {
  if (Busy() || held_.empty()) return std::nullopt;
  HeldRequest next = std::move(held_.front());
  held_.pop_front();
  return next;
}

}  // namespace voltrak
