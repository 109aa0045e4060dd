#include "einvoice/catalogs.h"

#include <algorithm>
#include <array>
#include <utility>

namespace halvora::einvoice {

const std::vector<CatalogEntry>& payment_forms() {
  static const std::vector<CatalogEntry> table{
      {"01", "Efectivo"},
      {"02", "Cheque nominativo"},
      {"03", "Transferencia electrónica de fondos"},
      {"04", "Tarjeta de crédito"},
      {"05", "Monedero electrónico"},
      {"06", "Dinero electrónico"},
      {"08", "Vales de despensa"},
      {"12", "Dación en pago"},
      {"13", "Pago por subrogación"},
      {"14", "Pago por consignación"},
      {"15", "Condonación"},
      {"17", "Compensación"},
      {"23", "Novación"},
      {"24", "Confusión"},
      {"25", "Remisión de deuda"},
      {"26", "Prescripción o caducidad"},
      {"27", "A satisfacción del acreedor"},
      {"28", "Tarjeta de débito"},
      {"29", "Tarjeta de servicios"},
      {"30", "Aplicación de anticipos"},
      {"31", "Intermediario pagos"},
      {"99", "Por definir"},
  };
  return table;
}

const std::vector<CatalogEntry>& payment_methods() {
  static const std::vector<CatalogEntry> table{
      {"PUE", "Pago en una sola exhibición"},
      {"PPD", "Pago en parcialidades o diferido"},
  };
  return table;
}

const std::vector<CatalogEntry>& periodicities() {
  static const std::vector<CatalogEntry> table{
      {"01", "Diario"},  {"02", "Semanal"},   {"03", "Quincenal"},
      {"04", "Mensual"}, {"05", "Bimestral"},
  };
  return table;
}

const std::vector<CatalogEntry>& units() {
  static const std::vector<CatalogEntry> table{
      {"E48", "Unidad de servicio"},
      {"H87", "Pieza"},
      {"ACT", "Actividad"},
      {"DAY", "Día"},
      {"XUN", "Unidad"},
      {"KGM", "Kilogramo"},
      {"LTR", "Litro"},
  };
  return table;
}

const Regime* find_regime(std::string_view code) {
  static const std::array<Regime, 19> table{{
      {"601", "General de Ley Personas Morales", false, true, true},
      {"603", "Personas Morales con Fines no Lucrativos", false, true, true},
      {"605", "Sueldos y Salarios e Ingresos Asimilados a Salarios", true, false, false},
      {"606", "Arrendamiento", true, false, true},
      {"607", "Régimen de Enajenación o Adquisición de Bienes", true, false, false},
      {"608", "Demás ingresos", true, false, false},
      {"610", "Residentes en el Extranjero sin Establecimiento Permanente en México", true, true,
       false},
      {"611", "Ingresos por Dividendos (socios y accionistas)", true, false, false},
      {"612", "Personas Físicas con Actividades Empresariales y Profesionales", true, false, true},
      {"614", "Ingresos por intereses", true, false, false},
      {"615", "Régimen de los ingresos por obtención de premios", true, false, false},
      {"616", "Sin obligaciones fiscales", true, false, false},
      {"620", "Sociedades Cooperativas de Producción que optan por diferir sus ingresos", false,
       true, true},
      {"621", "Incorporación Fiscal", true, false, true},
      {"622", "Actividades Agrícolas, Ganaderas, Silvícolas y Pesqueras", false, true, true},
      {"623", "Opcional para Grupos de Sociedades", false, true, true},
      {"624", "Coordinados", false, true, true},
      {"625",
       "Régimen de las Actividades Empresariales con ingresos a través de Plataformas "
       "Tecnológicas",
       true, false, true},
      {"626", "Régimen Simplificado de Confianza", true, true, true},
  }};
  for (const Regime& r : table)
    if (r.code == code) return &r;
  return nullptr;
}

std::string_view name_of(const std::vector<CatalogEntry>& catalogue, std::string_view code) {
  for (const CatalogEntry& e : catalogue)
    if (e.code == code) return e.name;
  return {};
}

std::string fold_words(std::string_view utf8) {
  // The accented letters of Spanish, lower and upper case, in UTF-8, and their plain capitals.
  static const std::array<std::pair<std::string_view, char>, 14> accents{{
      {"á", 'A'},
      {"é", 'E'},
      {"í", 'I'},
      {"ó", 'O'},
      {"ú", 'U'},
      {"ü", 'U'},
      {"ñ", 'N'},
      {"Á", 'A'},
      {"É", 'E'},
      {"Í", 'I'},
      {"Ó", 'O'},
      {"Ú", 'U'},
      {"Ü", 'U'},
      {"Ñ", 'N'},
  }};
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    bool replaced = false;
    for (auto [from, to] : accents) {
      if (utf8.substr(i, from.size()) == from) {
        out += to;
        i += from.size();
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    char c = utf8[i++];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c == ' ' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      continue;
    }
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::optional<PaymentReading> read_payment_text(std::string_view text) {
  std::string folded = fold_words(text);
  for (const CatalogEntry& e : payment_forms())
    if (folded == e.code || folded == fold_words(e.name))
      return PaymentReading{std::string(e.code), ""};
  for (const CatalogEntry& e : payment_methods())
    if (folded == e.code || folded == fold_words(e.name))
      return PaymentReading{"", std::string(e.code)};
  // The words of the hotel's own forms, older than the catalogues.
  static const std::array<std::pair<std::string_view, PaymentReading>, 12> words{{
      {"CHEQUE", {"02", ""}},
      {"TRANSFERENCIA", {"03", ""}},
      {"TRANSFERENCIA ELECTRONICA", {"03", ""}},
      {"TARJETA", {"04", ""}},
      {"MONEDERO", {"05", ""}},
      {"NO IDENTIFICADO", {"99", ""}},
      {"UNA SOLA EXHIBICION", {"", "PUE"}},
      {"EN UNA SOLA EXHIBICION", {"", "PUE"}},
      {"PARCIALIDADES", {"", "PPD"}},
      {"EN PARCIALIDADES", {"", "PPD"}},
      {"PAGO EN PARCIALIDADES", {"", "PPD"}},
      {"DIFERIDO", {"", "PPD"}},
  }};
  for (const auto& [word, reading] : words)
    if (folded == word) return reading;
  return std::nullopt;
}

}  // namespace halvora::einvoice
