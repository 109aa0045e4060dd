// The SOAP routines the web-service classes share, and the failure report they show.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "frame/error.h"

namespace halvora {

// Posts a SOAP 1.2 envelope and returns the text of
// /soap:Envelope/soap:Body/<responseElement>/<resultElement> in the reply. Failures to send or
// receive propagate (the caller reports them); anything wrong with the reply itself (an error
// status, a fault, a body that is not XML, a missing element) gives an empty text.
std::u16string EnviarSoap(std::u16string_view url, std::u16string_view envelope,
                          std::u16string_view soapAction, std::u16string_view responseElement,
                          std::u16string_view resultElement);

// The channel-manager envelopes (SOAP 1.1): CR LF between lines, none after the last.
std::u16string ArmarSaveInventario(double hotelCode, std::u16string_view start,
                                   std::u16string_view end, std::u16string_view invTypeCode);
std::u16string ArmarSaveRestriccion(double hotelCode, std::u16string_view start,
                                    std::u16string_view end, std::u16string_view invTypeCode,
                                    std::u16string_view status);
std::u16string ArmarGetList(double uniqueId);

// Escapes &, <, >, " and ' for text or attribute content.
std::u16string xml_escape(std::u16string_view text);

// The host part of an absolute URL, with its port when the URL names one.
std::u16string url_authority(std::u16string_view url);

// Any exception as the library's error: what the failure report and the COM glue show.
Error as_error(std::exception_ptr failure);

// "ERROR: <number> <description>" CR LF "<source>", critical icon, the operation's title.
void show_failure_report(const Error& failure, std::u16string_view title);

// Runs an operation that reports its own failures: a failure shows the report under the title
// and the operation returns what it had assigned so far.
template <class Body>
void reporting_failures(std::u16string_view title, Body&& body) {
  try {
    body();
  } catch (...) {
    show_failure_report(as_error(std::current_exception()), title);
  }
}

}  // namespace halvora
