#include "platform/posted_messages.h"

#include <deque>

namespace platform {

namespace {

std::deque<Event> postedMessages;

}  // namespace

void detail::postEvent(const Event& event) { postedMessages.push_back(event); }

bool peekMessage() { return !postedMessages.empty(); }

Event getMessage() {
  if (postedMessages.empty()) return Event{};
  const Event event = postedMessages.front();
  postedMessages.pop_front();
  return event;
}

std::int64_t dispatchMessage(const Event& event) {
  return sendMessage(event.window, event.message, event.wParam, event.lParam);
}

void postQuitMessage(int exitCode) { postedMessages.push_back(Event{nullptr, Message::quit, exitCode, 0}); }

}  // namespace platform
