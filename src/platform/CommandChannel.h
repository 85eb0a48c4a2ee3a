#pragma once
// The channel through which the command-line client drives the running program. The adapter
// reads and parses requests off the main thread, answers refused lines itself, and hands each
// request to the main thread.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ControlRequest.h"

namespace lumivane {

class ICommandChannel {
 public:
  using Client = uint64_t;
  using Handler = std::function<void(Client client, const ControlRequest& request)>;
  virtual ~ICommandChannel() = default;
  // Starts taking requests; each reaches handler on the main thread and waits there for its
  // Reply. False when the channel cannot be opened (another copy holds it): the program runs on
  // without it.
  virtual bool Open(Handler handler) = 0;
  // Answers a request (ControlReply text) and closes its connection. A client that has gone
  // away is no failure.
  virtual void Reply(Client client, const std::string& reply) = 0;
  // Takes no further requests; the handler is not called after this returns. Idempotent.
  virtual void Close() = 0;
};

} // namespace lumivane
