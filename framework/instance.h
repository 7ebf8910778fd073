// Windows findable by title from other processes of the same user and display:
// each titled top-level window listens on a socket named after its title; a
// second copy connects and asks it to show itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace fw {

// What the owning process does with a request; runs on its UI thread.
struct InstanceRequest {
  std::string command;  // FIND, POPUP, ICONIC, RESTORE, FOCUS, FOREGROUND
  std::uint64_t window = 0;
  std::string title;  // the title the request was addressed to
};
using InstanceHandler = std::function<std::string(const InstanceRequest&)>;

// Starts answering requests for title (scope: the display or the test run).
// The handler is called only from ServeInstanceRequests.
void PublishTitle(const std::string& scope, const std::string& title);
void WithdrawTitle(const std::string& title);
void WithdrawAllTitles();
// Answers the requests that have arrived (call from the UI thread's loop).
void ServeInstanceRequests(const InstanceHandler& handler);

// Client side: one request to the process that published title. False when no
// such process answers.
bool AskInstance(const std::string& scope, const std::string& title, const std::string& command,
                 std::uint64_t window, std::string* reply);

}  // namespace fw
