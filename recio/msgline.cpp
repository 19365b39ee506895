// recio/msgline.cpp: MSGLINE, one console line from a text framed by a delimiter.
#include <algorithm>

#include "recio/recio.hpp"

namespace {
constexpr recio::layout message_line{"(1X,A)"};
constexpr std::size_t framed_length = 100;  // the text is seen as 100 characters long
}  // namespace

void MSGLINE(std::string_view text) {
  const char delimiter = text.empty() ? ' ' : text.front();
  std::string_view body = text.substr(std::min<std::size_t>(1, text.size()));
  body = body.substr(0, framed_length - 1);
  // The line ends before the closing delimiter; without one it shows what the text holds up to
  // position 100.
  body = body.substr(0, body.find(delimiter));
  recio::write(recio::console, message_line, {body});
}
