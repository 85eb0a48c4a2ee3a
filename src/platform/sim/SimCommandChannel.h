#pragma once
// The command channel as a test drives it: lines are injected as a client would send them and
// every reply is recorded. Requests reach the handler at once; the test's thread is the main
// thread.
#include <map>
#include <string>
#include <string_view>

#include "platform/CommandChannel.h"

namespace lumivane {

class SimCommandChannel final : public ICommandChannel {
 public:
  bool Open(Handler handler) override;
  void Reply(Client client, const std::string& reply) override;
  void Close() override;

  // A client connects and sends line. Returns its id; refused lines are answered at once.
  Client Inject(std::string_view line);
  bool IsOpen() const { return open_; }
  bool HasReply(Client client) const { return replies_.count(client) != 0; }
  // The reply to client, empty while there is none.
  std::string ReplyTo(Client client) const;
  // Replies sent to a client that had one already or never connected.
  int StrayReplies() const { return stray_; }
  // Open fails while set, as when another copy holds the channel.
  void SetTaken(bool taken) { taken_ = taken; }

 private:
  Handler handler_;
  bool open_ = false;
  bool taken_ = false;
  Client next_ = 1;
  std::map<Client, std::string> replies_;
  int stray_ = 0;
};

} // namespace lumivane
