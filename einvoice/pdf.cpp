#include "einvoice/pdf.h"

#include <hpdf.h>
#include <qrencode.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "einvoice/catalogs.h"

namespace halvora::einvoice {

namespace {

constexpr float kPageWidth = 612;  // US Letter, as Mexican offices print
constexpr float kPageHeight = 792;
constexpr float kMargin = 36;
constexpr float kRight = kPageWidth - kMargin;
constexpr float kBottom = kMargin + 24;  // the footer lives below
constexpr float kBoldStroke = 0.035f;    // of the font size

void on_error(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  auto* status = static_cast<HPDF_STATUS*>(data);
  if (!*status) *status = error ? error : detail;
}

std::array<int, 256> filled(int value) {
  std::array<int, 256> a;
  a.fill(value);
  return a;
}

// UTF-8 text in the Windows Latin-1 code page (CP1252) of the font; a character it lacks is "?".
std::string latin1(const std::string& utf8) {
  static const std::unordered_map<char32_t, unsigned char> upper{
      {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
      {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
      {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
      {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
      {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
      {0x017E, 0x9E}, {0x0178, 0x9F}};
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? c : c & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
      out += static_cast<char>(code);
    } else {
      auto it = upper.find(code);
      out += it == upper.end() ? '?' : static_cast<char>(it->second);
    }
  }
  return out;
}

// A document being drawn: a cursor that runs down the page from the top, text that wraps, and
// new pages when the cursor reaches the footer.
class Pdf {
 public:
  explicit Pdf(const std::string& title, const std::string& footer)
      : footer_(footer), doc_(HPDF_New(&on_error, &error_)) {
    if (!doc_) throw std::runtime_error("PDF: out of memory");
    // Pages and images are compressed, the embedded font is not: libharu deflates a font anew
    // for every document, and that alone was half the server's work per invoice, for a file of
    // about 160 KB instead of 70 KB.
    HPDF_SetCompressionMode(doc_, HPDF_COMP_TEXT | HPDF_COMP_IMAGE);
    // One font, embedded once, in the Windows Latin-1 encoding, which holds every Spanish letter
    // and sign: a single-byte font costs a document far less to make than a Unicode one. Bold
    // is the same letters drawn with their outline stroked too.
    std::string folder = font_folder();
    const char* regular =
        HPDF_LoadTTFontFromFile(doc_, (folder + "/DejaVuSans.ttf").c_str(), HPDF_TRUE);
    if (!regular) throw std::runtime_error("PDF: cannot load DejaVuSans.ttf from " + folder);
    font_ = HPDF_GetFont(doc_, regular, "WinAnsiEncoding");
    HPDF_SetInfoAttr(doc_, HPDF_INFO_TITLE, title.c_str());
    HPDF_SetInfoAttr(doc_, HPDF_INFO_CREATOR, "halvora-einvoice");
    new_page();
  }
  ~Pdf() { HPDF_Free(doc_); }
  Pdf(const Pdf&) = delete;
  Pdf& operator=(const Pdf&) = delete;

  float y = kMargin;  // from the top of the page

  void new_page() {
    page_ = HPDF_AddPage(doc_);
    HPDF_Page_SetSize(page_, HPDF_PAGE_SIZE_LETTER, HPDF_PAGE_PORTRAIT);
    ++pages_;
    y = kMargin;
    std::string number = "Página " + std::to_string(pages_);
    text(kMargin, kPageHeight - kMargin + 4, footer_, 6.5f, false, 0.35f);
    text(kRight - width(number, 6.5f, false), kPageHeight - kMargin + 4, number, 6.5f, false,
         0.35f);
  }

  // Starts a new page unless `height` more points fit above the footer.
  void need(float height) {
    if (y + height > kPageHeight - kBottom) new_page();
  }

  // The advance of each character is kept: wrapping measures the same ones again and again.
  float width(const std::string& s, float size, bool bold) {
    long units = 0;
    for (unsigned char c : latin1(s)) {
      if (widths_[c] < 0) widths_[c] = static_cast<int>(HPDF_Font_TextWidth(font_, &c, 1).width);
      units += widths_[c];
    }
    // A bold line's stroke reaches half its width beyond the first and the last letter.
    return static_cast<float>(units) * size / 1000.0f + (bold ? kBoldStroke * size : 0);
  }

  void text(float x, float top, const std::string& s, float size, bool bold = false,
            float gray = 0) {
    if (s.empty()) return;
    HPDF_Page_SetGrayFill(page_, gray);
    if (bold) {
      HPDF_Page_SetGrayStroke(page_, gray);
      HPDF_Page_SetLineWidth(page_, kBoldStroke * size);
    }
    HPDF_Page_BeginText(page_);
    HPDF_Page_SetTextRenderingMode(page_, bold ? HPDF_FILL_THEN_STROKE : HPDF_FILL);
    HPDF_Page_SetFontAndSize(page_, font_, size);
    HPDF_Page_TextOut(page_, x, kPageHeight - top - size, latin1(s).c_str());
    HPDF_Page_EndText(page_);
    HPDF_Page_SetGrayFill(page_, 0);
  }

  void right_text(float right, float top, const std::string& s, float size, bool bold = false) {
    text(right - width(s, size, bold), top, s, size, bold);
  }

  // Lines of at most `w` points: at spaces where there are any, else between characters (seals
  // are one long word).
  std::vector<std::string> wrap(const std::string& s, float w, float size, bool bold) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < s.size()) {
      std::size_t newline = s.find('\n', start);
      std::string paragraph =
          s.substr(start, newline == std::string::npos ? std::string::npos : newline - start);
      start = newline == std::string::npos ? s.size() : newline + 1;
      std::string line;
      float line_width = 0;
      for (std::size_t i = 0; i < paragraph.size();) {
        std::size_t len = 1;
        while (i + len < paragraph.size() &&
               (static_cast<unsigned char>(paragraph[i + len]) & 0xC0) == 0x80)
          ++len;
        std::string piece = paragraph.substr(i, len);
        float piece_width = width(piece, size, bold);
        i += len;
        if (!line.empty() && line_width + piece_width > w) {
          std::size_t space = line.rfind(' ');
          if (piece != " " && space != std::string::npos && space > 0) {
            // Back to the last space: the word moves to the next line whole.
            out.push_back(line.substr(0, space));
            line.erase(0, space + 1);
          } else {
            out.push_back(line);
            line.clear();
            if (piece == " ") piece.clear();
          }
          line_width = width(line, size, bold);
        }
        line += piece;
        line_width += width(piece, size, bold);
      }
      out.push_back(line);
    }
    return out;
  }

  // Wrapped text at the cursor, which moves below it; pages break between lines.
  void paragraph(float x, float w, const std::string& s, float size, bool bold = false,
                 float gray = 0) {
    for (const std::string& line : wrap(s, w, size, bold)) {
      need(size + 2);
      text(x, y, line, size, bold, gray);
      y += size + 2;
    }
  }

  void fill_rect(float x, float top, float w, float h, float gray) {
    HPDF_Page_SetGrayFill(page_, gray);
    HPDF_Page_Rectangle(page_, x, kPageHeight - top - h, w, h);
    HPDF_Page_Fill(page_);
    HPDF_Page_SetGrayFill(page_, 0);
  }

  void rule(float top, float gray = 0.6f) {
    HPDF_Page_SetGrayStroke(page_, gray);
    HPDF_Page_SetLineWidth(page_, 0.5f);
    HPDF_Page_MoveTo(page_, kMargin, kPageHeight - top);
    HPDF_Page_LineTo(page_, kRight, kPageHeight - top);
    HPDF_Page_Stroke(page_);
  }

  // A heading band across the page.
  void band(const std::string& title) {
    need(16);
    fill_rect(kMargin, y, kRight - kMargin, 13, 0.88f);
    text(kMargin + 4, y + 2.5f, title, 8, true);
    y += 16;
  }

  // Label and value pairs in two columns.
  void pairs(const std::vector<PrintedField>& fields) {
    float column = (kRight - kMargin) / 2;
    for (std::size_t i = 0; i < fields.size(); i += 2) {
      float top = y, bottom = y;
      for (std::size_t k = i; k < i + 2 && k < fields.size(); ++k) {
        y = top;
        float x = kMargin + column * static_cast<float>(k - i);
        paragraph(x, column - 8, fields[k].label + ": " + fields[k].value, 7.5f);
        bottom = std::max(bottom, y);
      }
      y = bottom;
    }
  }

  // A big diagonal word across every page: pre-invoices and cancelled documents.
  void watermark(const std::string& word, float red) {
    // Translucent, since it is drawn over what the page already shows.
    HPDF_ExtGState faint = HPDF_CreateExtGState(doc_);
    HPDF_ExtGState_SetAlphaFill(faint, 0.35f);
    for (HPDF_UINT i = 0; i < pages_; ++i) {
      HPDF_Page page = HPDF_GetPageByIndex(doc_, i);
      HPDF_Page_GSave(page);
      HPDF_Page_SetExtGState(page, faint);
      HPDF_Page_SetRGBFill(page, red, 0.3f, 0.3f);
      HPDF_Page_BeginText(page);
      HPDF_Page_SetFontAndSize(page, font_, 54);
      float w = width(word, 54, false);
      float c = std::cos(0.6f), s = std::sin(0.6f);
      HPDF_Page_SetTextMatrix(page, c, s, -s, c, kPageWidth / 2 - w / 2 * c + 27 * s,
                              kPageHeight / 2 - w / 2 * s - 27 * c);
      HPDF_Page_ShowText(page, latin1(word).c_str());
      HPDF_Page_EndText(page);
      HPDF_Page_GRestore(page);
    }
  }

  void qr(float x, float top, float size, const std::string& data) {
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString(data.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code) throw std::runtime_error("QR: cannot encode the verification address");
    int n = code->width;
    float module = size / static_cast<float>(n + 8);  // a quiet zone of four modules
    float left = x + 4 * module, upper = top + 4 * module;
    for (int row = 0; row < n; ++row)
      for (int col = 0; col < n; ++col)
        if (code->data[row * n + col] & 1)
          HPDF_Page_Rectangle(page_, left + static_cast<float>(col) * module,
                              kPageHeight - upper - static_cast<float>(row + 1) * module, module,
                              module);
    HPDF_Page_Fill(page_);
  }

  std::string bytes() {
    if (HPDF_SaveToStream(doc_) != HPDF_OK || error_)
      throw std::runtime_error("PDF: cannot write the document (error " + std::to_string(error_) +
                               ")");
    std::string out(HPDF_GetStreamSize(doc_), '\0');
    HPDF_UINT32 size = static_cast<HPDF_UINT32>(out.size());
    HPDF_ReadFromStream(doc_, reinterpret_cast<HPDF_BYTE*>(out.data()), &size);
    out.resize(size);
    return out;
  }

 private:
  std::string footer_;
  HPDF_STATUS error_ = 0;
  HPDF_Doc doc_;
  HPDF_Page page_ = nullptr;
  HPDF_Font font_ = nullptr;
  std::array<int, 256> widths_ = filled(-1);
  HPDF_UINT pages_ = 0;
};

std::string join_nonempty(std::initializer_list<std::string> parts, const std::string& sep) {
  std::string out;
  for (const std::string& p : parts) {
    if (p.find_first_not_of(' ') == std::string::npos) continue;
    if (!out.empty()) out += sep;
    out += p;
  }
  return out;
}

std::string coded(std::string_view code, std::string_view name) {
  return name.empty() ? std::string(code) : std::string(code) + " " + std::string(name);
}

std::string percent_text(double rate) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g%%", rate);
  return buffer;
}

void issuer_header(Pdf& pdf, const Issuer& issuer, const std::string& title,
                   const std::vector<std::string>& right) {
  pdf.text(kMargin, pdf.y, issuer.name, 13, true);
  pdf.text(kMargin, pdf.y + 17, "RFC " + issuer.rfc, 8);
  const Regime* regime = find_regime(issuer.regime);
  pdf.text(kMargin, pdf.y + 28,
           "Régimen fiscal: " + coded(issuer.regime, regime ? regime->name : ""), 7.5f);
  float top = pdf.y;
  pdf.right_text(kRight, top, title, 13, true);
  top += 17;
  for (const std::string& line : right) {
    pdf.right_text(kRight, top, line, 7.5f);
    top += 10;
  }
  pdf.y = std::max(pdf.y + 42, top + 4);
}

// A stored time ("2024-07-01T18:05:00") as people read it.
std::string when(std::string timestamp) {
  if (timestamp.size() > 10 && timestamp[10] == 'T') timestamp[10] = ' ';
  return timestamp;
}

void signature_block(Pdf& pdf, const std::string& signer, const std::string& signed_at) {
  pdf.need(60);
  pdf.y += 24;
  // The name the guest wrote stands on the line; an unsigned document leaves the line blank.
  if (!signer.empty()) pdf.text(kMargin + 154, pdf.y - 14, signer, 11, true);
  pdf.rule(pdf.y, 0.2f);
  pdf.text(
      kMargin + 150, pdf.y + 3,
      signer.empty() ? "Firma del huésped" : "Firma del huésped, capturada el " + when(signed_at),
      7);
  pdf.y += 16;
}

}  // namespace

std::string font_folder() {
  const char* configured = std::getenv("HALVORA_EINVOICE_FONTS");
  return configured && *configured ? configured : "/usr/share/fonts/truetype/dejavu";
}

std::string render_invoice(const PrintedInvoice& p) {
  const Invoice& inv = *p.invoice;
  Pdf pdf(p.pre_invoice ? "Prefactura " + std::to_string(p.folio)
                        : "Factura " + p.serie + " " + std::to_string(p.folio),
          p.pre_invoice ? "Prefactura: documento sin valor fiscal."
                        : "Este documento es una representación impresa de un CFDI 4.0.");
  std::vector<std::string> right;
  right.push_back((p.pre_invoice ? "Prefactura " : "Serie " + p.serie + "   Folio ") +
                  std::to_string(p.folio));
  right.push_back("Fecha de emisión: " + p.date);
  if (!p.pre_invoice) right.push_back("Folio fiscal: " + p.stamp.uuid);
  right.push_back("Tipo de comprobante: I Ingreso   Exportación: 01 No aplica");
  right.push_back("Lugar de expedición: " + p.branch.postcode + "   Sucursal " +
                  std::to_string(p.branch.number) + " " + p.branch.name);
  issuer_header(pdf, p.issuer, p.pre_invoice ? "PREFACTURA" : "FACTURA", right);
  if (p.pre_invoice) {
    pdf.fill_rect(kMargin, pdf.y, kRight - kMargin, 16, 0.15f);
    pdf.text(kMargin + 6, pdf.y + 3.5f, "PREFACTURA — DOCUMENTO SIN VALOR FISCAL", 9, true, 1);
    pdf.y += 22;
  }

  pdf.band("Receptor");
  const Regime* regime = find_regime(inv.receiver_regime);
  std::vector<PrintedField> receiver{
      {"Nombre", inv.name},
      {"RFC", inv.rfc},
      {"Domicilio",
       join_nonempty({join_nonempty({inv.street, inv.exterior, inv.interior}, " "),
                      inv.neighbourhood, inv.locality, inv.municipality, inv.state, inv.country},
                     ", ")},
      {"Código postal", inv.postcode},
      {"Régimen fiscal", coded(inv.receiver_regime, regime ? regime->name : "")},
      {"Uso del CFDI", inv.use == "G03" ? std::string("G03 Gastos en general")
                                        : std::string("S01 Sin efectos fiscales")},
  };
  if (!inv.trade_name.empty()) receiver.push_back({"Nombre comercial", inv.trade_name});
  if (!inv.customer_key.empty()) receiver.push_back({"Clave de cliente", inv.customer_key});
  if (!inv.email.empty()) receiver.push_back({"Correo", inv.email});
  pdf.pairs(receiver);
  pdf.y += 6;

  // Lines.
  struct Column {
    const char* title;
    float x, w;
    bool numeric;
  };
  const Column cols[] = {{"Cant.", kMargin, 34, true},
                         {"Unidad", kMargin + 38, 46, false},
                         {"Clave", kMargin + 86, 44, false},
                         {"Descripción", kMargin + 132, 214, false},
                         {"P. unitario", kMargin + 350, 62, true},
                         {"Descuento", kMargin + 416, 50, true},
                         {"Importe", kMargin + 470, 70, true}};
  auto heading = [&] {
    pdf.need(30);
    pdf.fill_rect(kMargin, pdf.y, kRight - kMargin, 13, 0.88f);
    for (const Column& c : cols) {
      if (c.numeric)
        pdf.right_text(c.x + c.w, pdf.y + 2.5f, c.title, 7.5f, true);
      else
        pdf.text(c.x + 2, pdf.y + 2.5f, c.title, 7.5f, true);
    }
    pdf.y += 16;
  };
  heading();
  for (const InvoiceLine& l : inv.lines) {
    if (l.exclude_from_print) continue;
    std::string description = l.description;
    if (l.exclude_from_cfdi) description += " (informativo, fuera del CFDI)";
    std::vector<std::string> lines = pdf.wrap(description, cols[3].w - 4, 7.5f, false);
    std::vector<std::string> notes;
    for (const std::string& n : l.notes)
      if (!n.empty())
        for (const std::string& w : pdf.wrap(n, cols[3].w - 10, 6.5f, false)) notes.push_back(w);
    float height =
        static_cast<float>(lines.size()) * 9.5f + static_cast<float>(notes.size()) * 8.5f + 4;
    if (pdf.y + height > kPageHeight - kBottom) {
      pdf.new_page();
      heading();
    }
    float top = pdf.y;
    pdf.right_text(cols[0].x + cols[0].w, top, quantity_text(l.quantity), 7.5f);
    pdf.text(cols[1].x + 2, top, l.unit_key, 7.5f);
    pdf.text(cols[2].x + 2, top, l.product_key, 7.5f);
    pdf.right_text(cols[4].x + cols[4].w, top, price_text(l.unit_price), 7.5f);
    pdf.right_text(cols[5].x + cols[5].w, top, l.discount ? money(l.discount) : "", 7.5f);
    pdf.right_text(cols[6].x + cols[6].w, top, money(l.amount), 7.5f);
    for (const std::string& line : lines) {
      pdf.text(cols[3].x + 2, pdf.y, line, 7.5f);
      pdf.y += 9.5f;
    }
    if (!l.unit.empty()) pdf.text(cols[1].x + 2, top + 9.5f, l.unit, 6.5f, false, 0.3f);
    for (const std::string& n : notes) {
      pdf.text(cols[3].x + 8, pdf.y, n, 6.5f, false, 0.3f);
      pdf.y += 8.5f;
    }
    pdf.y = std::max(pdf.y, top + (l.unit.empty() ? 9.5f : 19.0f)) + 4;
  }
  pdf.rule(pdf.y);
  pdf.y += 6;

  // Payment on the left, totals on the right.
  std::vector<std::pair<std::string, std::string>> totals{{"Subtotal", money(inv.sum_amount)}};
  if (inv.sum_discount) totals.push_back({"Descuento", money(inv.sum_discount)});
  std::map<double, Cents> vat;
  for (const InvoiceLine* l : inv.fiscal_lines()) vat[l->vat_rate] += l->vat;
  for (const auto& [rate, amount] : vat)
    totals.push_back({"IVA " + percent_text(rate), money(amount)});
  if (inv.lodging_tax)
    totals.push_back({"ISH " + percent_text(inv.lodging_rate), money(inv.lodging_tax)});
  if (inv.other_local_tax)
    totals.push_back({"ISA " + percent_text(inv.other_local_rate), money(inv.other_local_tax)});
  totals.push_back({"Total", money(inv.grand_total)});
  std::vector<std::string> payment{
      "Forma de pago: " + coded(inv.payment_form, name_of(payment_forms(), inv.payment_form)),
      "Método de pago: " +
          coded(inv.payment_method, name_of(payment_methods(), inv.payment_method)),
      "Moneda: MXN Peso mexicano"};
  if (!inv.payment_terms.empty()) payment.push_back("Condiciones de pago: " + inv.payment_terms);
  if (!inv.payment_account.empty()) {
    std::string account = inv.payment_account;
    if (account.size() > 4) account = "****" + account.substr(account.size() - 4);
    payment.push_back("Cuenta de pago: " + account);
  }
  if (!inv.control_number.empty()) payment.push_back("Número de control: " + inv.control_number);
  pdf.need(static_cast<float>(std::max(totals.size(), payment.size())) * 11 + 8);
  float top = pdf.y;
  for (const auto& [label, value] : totals) {
    bool last = label == "Total";
    pdf.right_text(kRight - 80, pdf.y, label, last ? 9 : 7.5f, last);
    pdf.right_text(kRight, pdf.y, "$ " + value, last ? 9 : 7.5f, last);
    pdf.y += last ? 13 : 11;
  }
  float bottom = pdf.y;
  pdf.y = top;
  for (const std::string& line : payment) pdf.paragraph(kMargin, 300, line, 7.5f);
  pdf.y = std::max(pdf.y, bottom) + 4;
  bool notes = false;
  for (const std::string& n : inv.notes) notes = notes || !n.empty();
  if (notes) {
    pdf.band("Observaciones");
    for (const std::string& n : inv.notes)
      if (!n.empty()) pdf.paragraph(kMargin, kRight - kMargin, n, 7.5f);
    pdf.y += 4;
  }

  if (!p.pre_invoice) {
    pdf.band("Timbre fiscal digital");
    pdf.need(110);
    float qr_top = pdf.y;
    pdf.qr(kMargin, qr_top, 96, p.qr_url);
    float x = kMargin + 104, w = kRight - x;
    auto block = [&](const std::string& label, const std::string& value) {
      pdf.paragraph(x, w, label, 6.5f, true);
      pdf.paragraph(x, w, value, 6, false, 0.15f);
      pdf.y += 2;
    };
    block("Sello digital del CFDI:", p.seal);
    block("Sello del SAT:", p.stamp.seal);
    block("Cadena original del complemento de certificación digital del SAT:", p.stamp_original);
    pdf.paragraph(x, w,
                  "No. de serie del certificado del emisor: " + p.certificate_number +
                      "   No. de serie del certificado del SAT: " + p.stamp.certificate_number,
                  6.5f);
    pdf.paragraph(x, w,
                  "Fecha y hora de certificación: " + p.stamp.stamped_at +
                      "   RFC del proveedor de certificación: " + p.stamp.provider_rfc,
                  6.5f);
    pdf.y = std::max(pdf.y, qr_top + 100);
  }
  if (p.cancelled) {
    pdf.band("Comprobante cancelado el " + p.cancelled_at +
             " (motivo 02: comprobante emitido con errores sin relación)");
    pdf.watermark("CANCELADO", 0.9f);
  }
  if (p.pre_invoice) pdf.watermark("SIN VALOR FISCAL", 0.55f);
  return pdf.bytes();
}

std::string render_statement(const PrintedStatement& s) {
  Pdf pdf("Estado de cuenta " + s.guest, "Estado de cuenta del huésped " + s.guest + ".");
  issuer_header(pdf, s.issuer, "ESTADO DE CUENTA", {"Huésped " + s.guest});
  pdf.band("Datos de la cuenta");
  pdf.pairs(s.header);
  pdf.y += 6;
  auto heading = [&] {
    pdf.need(30);
    pdf.fill_rect(kMargin, pdf.y, kRight - kMargin, 13, 0.88f);
    pdf.text(kMargin + 2, pdf.y + 2.5f, "Fecha", 7.5f, true);
    pdf.text(kMargin + 62, pdf.y + 2.5f, "Hora", 7.5f, true);
    pdf.text(kMargin + 100, pdf.y + 2.5f, "Descripción", 7.5f, true);
    pdf.text(kMargin + 310, pdf.y + 2.5f, "Referencia", 7.5f, true);
    pdf.right_text(kMargin + 450, pdf.y + 2.5f, "Cargo", 7.5f, true);
    pdf.right_text(kRight, pdf.y + 2.5f, "Crédito", 7.5f, true);
    pdf.y += 16;
  };
  heading();
  Cents charges = 0, credits = 0;
  for (const PrintedMovement& m : s.movements) {
    std::vector<std::string> lines = pdf.wrap(m.description, 200, 7.5f, false);
    float height = static_cast<float>(lines.size()) * 9.5f + 3;
    if (pdf.y + height > kPageHeight - kBottom) {
      pdf.new_page();
      heading();
    }
    float top = pdf.y;
    pdf.text(kMargin + 2, top, m.date, 7.5f);
    pdf.text(kMargin + 62, top, m.time, 7.5f);
    pdf.text(kMargin + 310, top, m.reference, 7.5f);
    if (m.charge) pdf.right_text(kMargin + 450, top, money(m.charge), 7.5f);
    if (m.credit) pdf.right_text(kRight, top, money(m.credit), 7.5f);
    for (const std::string& line : lines) {
      pdf.text(kMargin + 100, pdf.y, line, 7.5f);
      pdf.y += 9.5f;
    }
    pdf.y += 3;
    charges += m.charge;
    credits += m.credit;
  }
  pdf.rule(pdf.y);
  pdf.y += 5;
  pdf.need(40);
  for (const auto& [label, value] : {std::pair<std::string, Cents>{"Cargos", charges},
                                     {"Créditos", credits},
                                     {"Saldo", charges - credits}}) {
    bool last = label == "Saldo";
    pdf.right_text(kRight - 80, pdf.y, label, last ? 9 : 7.5f, last);
    // A balance in the guest's favour reads "-$ 0.50", as a cashier writes it.
    std::string amount = "$ " + money(value < 0 ? -value : value);
    pdf.right_text(kRight, pdf.y, value < 0 ? "-" + amount : amount, last ? 9 : 7.5f, last);
    pdf.y += last ? 13 : 11;
  }
  signature_block(pdf, s.signer, s.signed_at);
  return pdf.bytes();
}

std::string render_registration(const PrintedRegistration& r) {
  Pdf pdf("Registro del huésped " + r.guest, "Tarjeta de registro del huésped " + r.guest + ".");
  issuer_header(pdf, r.issuer, "TARJETA DE REGISTRO", {"Huésped " + r.guest});
  pdf.band("Huésped y estancia");
  pdf.pairs(r.main);
  pdf.y += 6;
  if (!r.other.empty()) {
    pdf.band("Datos adicionales del registro");
    pdf.pairs(r.other);
  }
  pdf.y += 6;
  pdf.need(30);
  pdf.paragraph(kMargin, kRight - kMargin,
                "Declaro que los datos anteriores son correctos y acepto el reglamento del hotel.",
                7.5f);
  signature_block(pdf, r.signer, r.signed_at);
  return pdf.bytes();
}

}  // namespace halvora::einvoice
