#include "app/request_gate.h"

#include <utility>

#include "app/shell_rules.h"

namespace voltrak {

bool RequestGate::Hold(HeldRequest request) {
  if (!loadRunning_) return false;
  held_.push_back(std::move(request));
  return true;
}

bool RequestGate::HoldCommand(uint32_t id, uint32_t notification) {
  if (!WaitsForLoad(id)) return false;
  HeldRequest request;
  request.What = HeldRequest::Kind::kCommand;
  request.Command = id;
  request.Notification = notification;
  return Hold(std::move(request));
}

bool RequestGate::HoldLoad() {
  HeldRequest request;
  request.What = HeldRequest::Kind::kLoad;
  return Hold(std::move(request));
}

bool RequestGate::HoldDrop(const std::vector<std::string>& files, uint32_t dropCommand) {
  if (!loadRunning_) return false;
  HeldRequest request;
  request.What = HeldRequest::Kind::kDrop;
  request.Files = files;
  request.DropCommand = dropCommand;
  return Hold(std::move(request));
}

bool RequestGate::HoldClose() {
  HeldRequest request;
  request.What = HeldRequest::Kind::kClose;
  return Hold(std::move(request));
}

std::optional<HeldRequest> RequestGate::TakeNext() {
  if (loadRunning_ || held_.empty()) return std::nullopt;
  HeldRequest next = std::move(held_.front());
  held_.pop_front();
  return next;
}

}  // namespace voltrak
