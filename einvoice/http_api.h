// The server's HTTP interface: JSON requests to /api/..., each but the login and the health check
// under a session token (Authorization: Bearer TOKEN). Every refusal is a status and
// {"error": "..."}; a PDF comes back as application/pdf.
#pragma once

#include <string>

namespace httplib {
class Server;
}

namespace halvora::einvoice {

class Service;

void add_routes(httplib::Server& server, Service& service);

}  // namespace halvora::einvoice
