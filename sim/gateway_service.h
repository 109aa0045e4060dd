// An internet gateway on loopback: raw TCP, one command a line (CR LF or LF), answered as the
// hotel's gateway does, with no line end after the reply:
//   "=alta=,ROOM,PROFILE,TIME"  opens the room: "OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET"
//   "=consulta=,ROOM"           "ROOM,PROFILE,TIME" for an open room, else "Usuario No Existe!"
//   "=elimina=,ROOM"            "++++" for an open room (now closed), else "Usuario No Existe!"
//   any other line              "error"
// Rooms that show hosts the gateway's bad days, whatever the command:
//   555  answers "++" and nothing more (the beginning of a removal's reply that never completes)
//   666  refuses it: "error"
//   777  accepts it and never answers
//   888  answers in two writes a moment apart (a reply split across reads)
//   999  closes the connection without answering
// Rooms are kept in memory for the life of the simulator and shared by all connections.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halvora::sim {

class GatewayService {
 public:
  GatewayService() = default;
  ~GatewayService();
  GatewayService(const GatewayService&) = delete;
  GatewayService& operator=(const GatewayService&) = delete;

  // Listens on 127.0.0.1 (port 0: any free one); the port, or -1.
  int start(int port = 0);
  void stop();
  // "127.0.0.1:PORT", as HALVORA_GATEWAY_HOST takes it.
  std::string authority() const;

  // The reply to one command line (without its line end); empty for no reply.
  std::string answer(const std::string& line);

 private:
  void accept_loop();
  void serve(int fd);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::vector<int> open_fds_;
  std::map<std::string, std::string> rooms_;  // room -> "PROFILE,TIME"
};

}  // namespace halvora::sim
