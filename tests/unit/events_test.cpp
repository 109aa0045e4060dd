// The event pump: socket and timer events run only inside it, also when a box, the script host's
// Sleep or a read of the library's own events runs it, and a late timer fires once rather than
// once per missed interval.
#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/wscript.h"
#include "platform/ui.h"
#include "support/line_server.h"

namespace halvora::platform {
namespace {

using test::LineAction;
using test::LineServer;

struct Seen {
  int connects = 0, data = 0, errors = 0, closes = 0;
  std::string bytes;
};

std::unique_ptr<TcpSocket> watched_socket(Seen& seen, TcpSocket** self) {
  auto socket = create_tcp_socket({
      .on_connect = [&seen] { ++seen.connects; },
      .on_data = [&seen, self] { ++seen.data, seen.bytes += (*self)->receive(SIZE_MAX); },
      .on_error = [&seen](int32_t, std::u16string) { ++seen.errors; },
      .on_close = [&seen] { ++seen.closes; },
  });
  *self = socket.get();
  return socket;
}

template <class Done>
void pump_until(Done done) {
  for (int i = 0; i < 100 && !done(); ++i) pump(100);
}

TEST(Events, NothingRunsOutsideThePump) {
  Seen seen;
  TcpSocket* self = nullptr;
  auto socket = watched_socket(seen, &self);
  socket->connect(u"", 1);  // a name that cannot resolve fails at once, reported later
  EXPECT_EQ(seen.errors, 0);
  EXPECT_EQ(socket->state(), TcpSocket::State::Error);
  pump(0);
  EXPECT_EQ(seen.errors, 1);
}

TEST(Events, BoxesSleepAndOwnEventsLetPendingEventsRun) {
  Seen seen;
  TcpSocket* self = nullptr;
  auto socket = watched_socket(seen, &self);
  socket->connect(u"", 1);
  create_script_ui("", "")->msg_box(u"text", kStyleInformation, u"title");
  EXPECT_EQ(seen.errors, 1);

  socket->connect(u"", 1);
  host::pump_events(0);
  EXPECT_EQ(seen.errors, 2);

  // Here every event the pump knows is the library's own.
  socket->connect(u"", 1);
  run_own_events();
  EXPECT_EQ(seen.errors, 3);
}

TEST(Events, ConnectSendReceiveAndThePeersClose) {
  LineServer server([](const std::string& line) {
    return line == "bye" ? LineAction{{"later"}, true} : LineAction{{"echo:" + line}};
  });
  Seen seen;
  TcpSocket* self = nullptr;
  auto socket = watched_socket(seen, &self);
  socket->connect(u"127.0.0.1", static_cast<uint16_t>(server.port()));
  EXPECT_FALSE(socket->send("early\n"));  // not connected yet
  pump_until([&] { return seen.connects == 1; });
  ASSERT_EQ(socket->state(), TcpSocket::State::Connected);

  EXPECT_TRUE(socket->send("one\n"));
  pump_until([&] { return seen.bytes == "echo:one"; });
  EXPECT_TRUE(socket->send("bye\n"));
  pump_until([&] { return seen.closes == 1; });
  EXPECT_EQ(seen.bytes, "echo:onelater");  // what came before the close is delivered first
  EXPECT_EQ(socket->state(), TcpSocket::State::Closed);
  EXPECT_FALSE(socket->send("after\n"));
  EXPECT_EQ(server.received(), "one\nbye\n");
  EXPECT_EQ(seen.errors, 0);
}

TEST(Events, RefusedConnectionIsAnErrorEvent) {
  Seen seen;
  TcpSocket* self = nullptr;
  auto socket = watched_socket(seen, &self);
  socket->connect(u"127.0.0.1", static_cast<uint16_t>(LineServer::refused_port()));
  pump_until([&] { return seen.errors == 1; });
  EXPECT_EQ(seen.errors, 1);
  EXPECT_EQ(seen.connects, 0);
}

TEST(Events, ALateTimerFiresOnce) {
  int ticks = 0;
  auto timer = create_timer(1, [&] { ++ticks; });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // many intervals missed
  pump(0);
  EXPECT_EQ(ticks, 1);
  pump_until([&] { return ticks == 2; });
  EXPECT_EQ(ticks, 2);
  timer.reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  pump(0);
  EXPECT_EQ(ticks, 2);  // a destroyed timer is gone from the pump
}

}  // namespace
}  // namespace halvora::platform
