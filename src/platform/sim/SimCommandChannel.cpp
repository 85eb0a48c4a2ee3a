#include "platform/sim/SimCommandChannel.h"

#include <utility>

namespace lumivane {

bool SimCommandChannel::Open(Handler handler) {
  if (taken_ || open_) return false;
  handler_ = std::move(handler);
  open_ = true;
  return true;
}

void SimCommandChannel::Reply(Client client, const std::string& reply) {
  if (client == 0 || client >= next_ || replies_.count(client)) {
    ++stray_;
    return;
  }
  replies_[client] = reply;
}

void SimCommandChannel::Close() {
  open_ = false;
  handler_ = nullptr;
}

ICommandChannel::Client SimCommandChannel::Inject(std::string_view line) {
  const Client client = next_++;
  if (!open_) {
    // Nobody listens: the client finds no channel.
    replies_[client] = ControlReply(ControlStatus::NotRunning, "Lumivane is not running");
    return client;
  }
  const ParsedRequest parsed = ParseControlRequest(line);
  if (!parsed.request) {
    replies_[client] = ControlReply(ControlStatus::BadUsage, parsed.error);
    return client;
  }
  const Handler handler = handler_;
  handler(client, *parsed.request);
  return client;
}

std::string SimCommandChannel::ReplyTo(Client client) const {
  auto found = replies_.find(client);
  return found == replies_.end() ? std::string() : found->second;
}

} // namespace lumivane
