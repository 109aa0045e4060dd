// Compressed channel-manager replies: how fast a 1 MiB gzip reply is decoded and parsed through
// the HTTP layer beside zlib's own inflate of the same bytes, and the whole Enhancements call
// with a gzip reply against the same call with the same XML uncompressed.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "automation/text.h"
#include "platform/http.h"
#include "platform/xml.h"
#include "services/e_rev_max.h"
#include "support/http_server.h"

namespace {

using halvora::test::CannedResponse;
using halvora::test::HttpServer;

// A list reply of about 1 MiB with varied codes and amounts, so that it compresses like a real
// one rather than like a run of one repeated byte.
const std::string& reply_xml() {
  static const std::string xml = [] {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
        "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetListResponse "
        "xmlns=\"http://tempuri.org/\"><GetListResult>";
    for (unsigned i = 0; s.size() < (1u << 20); ++i)
      s += "<Enhancement><Code>E" + std::to_string(i * 7919 % 100003) +
           "</Code><Description>Servicio adicional " + std::to_string(i) +
           "</Description><Amount>" + std::to_string(i * 37 % 5000) + "." +
           std::to_string(i % 100) + "</Amount></Enhancement>";
    return s + "</GetListResult></GetListResponse></s:Body></s:Envelope>";
  }();
  return xml;
}

const std::string& reply_gzip() {
  static const std::string gz = [] {
    const std::string& in = reply_xml();
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, in.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  }();
  return gz;
}

HttpServer& server(bool compressed) {
  static HttpServer gzip_server, plain_server;
  static bool ready = [] {
    setenv("HALVORA_NETSTATE", "online", 1);
    CannedResponse r;
    r.body = reply_gzip();
    r.extra_headers = {{"Content-Encoding", "gzip"}};
    gzip_server.respond(r);
    r.body = reply_xml();
    r.extra_headers.clear();
    plain_server.respond(r);
    return true;
  }();
  (void)ready;
  return compressed ? gzip_server : plain_server;
}

void BM_ZlibInflate1MiB(benchmark::State& state) {
  const std::string& gz = reply_gzip();
  std::string out(reply_xml().size() + 64, '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, 15 + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
    z.avail_in = static_cast<uInt>(gz.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply_xml().size()));
}

// The HTTP layer's decoding of the gzip reply on loopback, then the parse.
void BM_GzipReplyDecodeParse1MiB(benchmark::State& state) {
  std::u16string url = halvora::utf8_to_utf16(server(true).url("/channel"));
  for (auto _ : state) {
    auto request = halvora::platform::create_http_request({.accept_compressed = true});
    request->open(u"POST", url);
    request->send("<x/>");
    auto document = halvora::platform::create_xml_document();
    if (!document->load_xml(request->response_text())) state.SkipWithError("no XML");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply_xml().size()));
}

void enhancements(benchmark::State& state, bool compressed) {
  std::u16string url = halvora::utf8_to_utf16(server(compressed).url("/channel"));
  halvora::eRevMax channel;
  for (auto _ : state) {
    std::u16string list = channel.Enhancements(url, 5001);
    if (list.empty()) state.SkipWithError("empty reply");
    benchmark::DoNotOptimize(list);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply_xml().size()));
}
void BM_EnhancementsGzip1MiB(benchmark::State& state) {
  enhancements(state, true);
}
void BM_EnhancementsPlain1MiB(benchmark::State& state) {
  enhancements(state, false);
}

BENCHMARK(BM_ZlibInflate1MiB)->Repetitions(7)->ReportAggregatesOnly(true)->MinTime(0.3);
BENCHMARK(BM_GzipReplyDecodeParse1MiB)->Repetitions(7)->ReportAggregatesOnly(true)->MinTime(0.3);
BENCHMARK(BM_EnhancementsGzip1MiB)->Repetitions(7)->ReportAggregatesOnly(true)->MinTime(0.3);
BENCHMARK(BM_EnhancementsPlain1MiB)->Repetitions(7)->ReportAggregatesOnly(true)->MinTime(0.3);

}  // namespace
