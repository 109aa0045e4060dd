// halvora-einvoice: the hotel's e-invoicing server. It keeps the issuer's seal certificate and
// every document in a folder of its own, and serves the front-desk workstations over HTTP.
#include <httplib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "einvoice/catalogs.h"
#include "einvoice/crypto.h"
#include "einvoice/http_api.h"
#include "einvoice/invoice.h"
#include "einvoice/service.h"
#include "einvoice/store.h"

namespace fs = std::filesystem;
using namespace halvora::einvoice;

namespace {

constexpr char kDefaultListen[] = "127.0.0.1:8765";
std::atomic<bool> stop_requested{false};

void on_signal(int) {
  stop_requested = true;
}

int usage() {
  std::fprintf(
      stderr,
      "usage: halvora-einvoice COMMAND DIR ...\n"
      "  init DIR [--rfc RFC] [--name NAME] [--regime CODE] [--postcode CP] [--user NAME]\n"
      "      makes a server folder: the issuer, branch 1 with series A and PRE, a test seal\n"
      "      certificate, a stamping key, and a user (default admin) whose password is\n"
      "      read from standard input\n"
      "  user DIR NAME             adds a user or sets its password (standard input)\n"
      "  branch DIR NUMBER NAME POSTCODE SERIE   adds a branch and its two series\n"
      "  config DIR [KEY [VALUE]]  shows or changes a setting\n"
      "  serve DIR [--listen HOST:PORT]   serves (default %s)\n"
      "  list DIR                  lists the documents\n"
      "  show DIR REF              one document: BRANCH|SERIES|FOLIO, a UUID or its number\n",
      kDefaultListen);
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "halvora-einvoice: %s\n", message.c_str());
  return 1;
}

// One line of standard input; at a terminal it is not echoed, as a password must not be.
std::string read_password() {
  bool terminal = ::isatty(STDIN_FILENO);
  termios saved{};
  if (terminal) {
    std::fprintf(stderr, "password: ");
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  bool got = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fprintf(stderr, "\n");
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!got || line.empty()) throw std::runtime_error("an empty password is refused");
  return line;
}

std::string option(std::vector<std::string>& args, const std::string& name,
                   const std::string& fallback) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) {
      std::string value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return value;
    }
  }
  return fallback;
}

void add_branch(Store& store, int number, const std::string& name, const std::string& postcode,
                const std::string& serie) {
  int next = 1;
  for (const Series& s : store.series()) next = std::max(next, s.id + 1);
  store.add_branch({number, name, postcode});
  store.add_series({next, number, serie, "factura", 1});
  store.add_series({next + 1, number,
                    "PRE" + (number == 1 ? std::string() : std::to_string(number)), "prefactura",
                    1});
}

int init(const std::string& dir, std::vector<std::string> args) {
  std::string rfc = option(args, "--rfc", "HPR010101AB1");
  std::string name = option(args, "--name", "HOTEL DE PRUEBA");
  std::string regime = option(args, "--regime", "601");
  std::string postcode = option(args, "--postcode", "77500");
  std::string user = option(args, "--user", "admin");
  if (!args.empty()) return usage();
  if (!find_regime(regime)) return fail("--regime " + regime + " is not a fiscal regime");
  if (postcode.size() != 5 || postcode.find_first_not_of("0123456789") != std::string::npos)
    return fail("--postcode must be five digits");
  fs::create_directories(fs::path(dir) / "keys");
  if (fs::exists(fs::path(dir) / "einvoice.db")) return fail(dir + " holds a server already");
  std::string password = read_password();
  Store store((fs::path(dir) / "einvoice.db").string(), true);
  store.create_schema();
  store.set_setting("issuer_rfc", rfc);
  store.set_setting("issuer_name", name);
  store.set_setting("issuer_regime", regime);
  add_branch(store, 1, "Matriz", postcode, "A");
  store.set_user(user, hash_password(password));
  fs::path keys = fs::path(dir) / "keys";
  // A test seal certificate: real invoices need the issuer's own (see the README).
  make_identity((keys / "csd.key.pem").string(), (keys / "csd.cer").string(), name, rfc,
                "00001" + random_digits(15), 4);
  make_identity((keys / "stamp.key.pem").string(), (keys / "stamp.cer").string(),
                "SERVICIO DE TIMBRADO LOCAL", "STL010101AA1", "20001" + random_digits(15), 4);
  std::printf("server folder %s: issuer %s %s, branch 1 (CP %s) series A and PRE, user %s\n",
              dir.c_str(), rfc.c_str(), name.c_str(), postcode.c_str(), user.c_str());
  return 0;
}

int serve(const std::string& dir, std::vector<std::string> args) {
  std::string listen = option(args, "--listen", kDefaultListen);
  if (!args.empty()) return usage();
  std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos) return fail("--listen takes HOST:PORT");
  std::string host = listen.substr(0, colon);
  int port = std::atoi(listen.substr(colon + 1).c_str());
  if (port < 0 || port > 65535 || listen.substr(colon + 1).empty())
    return fail("bad port in --listen");
  Service service(dir);
  httplib::Server server;
  server.set_payload_max_length(16 << 20);
  server.set_read_timeout(30, 0);
  add_routes(server, service);
  int bound =
      port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
  if (bound < 0) return fail("cannot listen on " + listen);
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::signal(SIGPIPE, SIG_IGN);
  std::thread watcher([&server] {
    while (!stop_requested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
  });
  std::printf("halvora-einvoice: listening on http://%s:%d\n", host.c_str(), bound);
  std::fflush(stdout);
  server.listen_after_bind();
  stop_requested = true;
  watcher.join();
  return 0;
}

void print_row(const DocumentRow& d) {
  std::printf("%lld\t%d|%d|%lld\t%s\t%s %lld\t%s\t%s\t%s\t%s\n", static_cast<long long>(d.id),
              d.branch, d.series, static_cast<long long>(d.folio), d.kind.c_str(), d.serie.c_str(),
              static_cast<long long>(d.folio), d.uuid.empty() ? "-" : d.uuid.c_str(),
              money(d.total).c_str(), d.status.c_str(), d.receiver_name.c_str());
}

int show(Store& store, const std::string& dir, const std::string& ref) {
  std::optional<DocumentRow> row;
  std::size_t a = ref.find('|'), b = ref.find('|', a + 1);
  if (a != std::string::npos && b != std::string::npos) {
    row = store.document(std::atoi(ref.substr(0, a).c_str()),
                         std::atoi(ref.substr(a + 1, b - a - 1).c_str()), ref.substr(b + 1));
  } else {
    for (const DocumentRow& d : store.documents())
      if (d.uuid == ref || std::to_string(d.id) == ref) row = d;
  }
  if (!row) return fail("no document " + ref);
  const DocumentRow& d = *row;
  std::printf(
      "number        %lld\nreference     %d|%d|%lld\nkind          %s\nserie folio   %s %lld\n"
      "uuid          %s\nissued        %s\nstamped       %s\nstatus        %s%s%s\n"
      "receiver      %s %s\ne-mail        %s\ncontrol       %s\npayment form  %s\n"
      "total         %s\n",
      static_cast<long long>(d.id), d.branch, d.series, static_cast<long long>(d.folio),
      d.kind.c_str(), d.serie.c_str(), static_cast<long long>(d.folio), d.uuid.c_str(),
      d.issued_at.c_str(), d.stamped_at.c_str(), d.status.c_str(),
      d.cancelled_at.empty() ? "" : " on ", d.cancelled_at.c_str(), d.receiver_rfc.c_str(),
      d.receiver_name.c_str(), d.email.c_str(), d.control_number.c_str(), d.payment_form.c_str(),
      money(d.total).c_str());
  if (d.wallet_charged)
    std::printf("wallet        card %s, charged %s, given back %s\n", d.card.c_str(),
                money(d.wallet_charged).c_str(), money(d.wallet_credited).c_str());
  for (const std::string* f : {&d.xml_file, &d.pdf_file, &d.ack_file})
    if (!f->empty()) std::printf("file          %s\n", (fs::path(dir) / *f).c_str());
  return 0;
}

int config(Store& store, const std::vector<std::string>& args) {
  const std::vector<SettingInfo>& keys = setting_keys();
  if (args.empty()) {
    for (const SettingInfo& k : keys) {
      std::string value = store.setting(k.key, k.fallback);
      if (std::string(k.key).find("password") != std::string::npos && !value.empty())
        value = "(set)";
      std::printf("%-22s %-32s %s\n", k.key, value.c_str(), k.meaning);
    }
    return 0;
  }
  const SettingInfo* info = nullptr;
  for (const SettingInfo& k : keys)
    if (args[0] == k.key) info = &k;
  if (!info) return fail("no setting " + args[0] + " (config DIR lists them)");
  if (args.size() == 1) {
    std::printf("%s\n", store.setting(info->key, info->fallback).c_str());
    return 0;
  }
  if (args.size() != 2) return usage();
  store.set_setting(info->key, args[1]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string command = argv[1], dir = argv[2];
  std::vector<std::string> args(argv + 3, argv + argc);
  try {
    if (command == "init") return init(dir, args);
    if (command == "serve") return serve(dir, args);
    if (!fs::exists(fs::path(dir) / "einvoice.db"))
      return fail(dir + " is not a server folder (init makes one)");
    Store store((fs::path(dir) / "einvoice.db").string(), false);
    store.create_schema();
    if (command == "user") {
      if (args.size() != 1) return usage();
      store.set_user(args[0], hash_password(read_password()));
      return 0;
    }
    if (command == "branch") {
      if (args.size() != 4) return usage();
      int number = std::atoi(args[0].c_str());
      if (number < 1 || number > 32767) return fail("a branch number is from 1 to 32767");
      if (args[2].size() != 5 || args[2].find_first_not_of("0123456789") != std::string::npos)
        return fail("the postcode must be five digits");
      if (args[3].empty() || args[3].size() > 25 || args[3].find('|') != std::string::npos)
        return fail("a serie has 1 to 25 characters and no \"|\"");
      if (store.branch(number)) return fail("branch " + args[0] + " exists already");
      add_branch(store, number, args[1], args[2], args[3]);
      return 0;
    }
    if (command == "config") return config(store, args);
    if (command == "list") {
      if (!args.empty()) return usage();
      for (const DocumentRow& d : store.documents()) print_row(d);
      return 0;
    }
    if (command == "show") {
      if (args.size() != 1) return usage();
      return show(store, dir, args[0]);
    }
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  return usage();
}
