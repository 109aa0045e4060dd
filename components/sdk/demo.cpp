// The demo hotel: small, but enough for every guest and charge operation to answer something.
#include <utility>

#include "records.h"
#include "store.h"

namespace halvora::sdk {

namespace {

struct DemoGuest {
  int32_t number;
  const char16_t* name;
  double room;
  const char16_t* status;
  const char16_t* city;
  double rate;
  double arrival;  // day serials
  double departure;
};

// Early January 2025; one guest has already left.
constexpr DemoGuest kGuests[] = {
    {1001, u"ANA LOPEZ GARCIA", 101, u"A", u"GUADALAJARA", 1250.5, 45660, 45664},
    {1002, u"JOHN O'BRIEN", 102, u"A", u"DUBLIN", 1480, 45661, 45663},
    {1003, u"MARIA JOSE PEREZ", 201, u"A", u"MONTERREY", 990.75, 45659, 45666},
    {1004, u"KLAUS MULLER", 202, u"A", u"MUNICH", 1480, 45662, 45665},
    {1000, u"LUIS HERNANDEZ", 103, u"S", u"PUEBLA", 1100, 45655, 45658},
};

struct DemoCharge {
  double room;
  double guest;
  double amount;
  const char16_t* code;
  const char16_t* description;
  const char16_t* group;
};

constexpr DemoCharge kCharges[] = {
    {101, 1001, 1250.5, u"HAB", u"Hospedaje", u""},
    {101, 1001, 185.25, u"RES", u"Restaurante", u""},
    {102, 1002, 1480, u"HAB", u"Hospedaje", u""},
    {201, 1003, 320, u"BAR", u"Bar", u"GRUPO1"},
    {202, 1004, 75.5, u"LAV", u"Lavanderia", u""},
};

}  // namespace

void load_demo(Database& db) {
  create_schema(db);
  in_transaction(db, [&] {
    db.execute(u"DELETE FROM habitaciones");
    db.execute(u"DELETE FROM " + std::u16string(guest_layout().table));
    for (int32_t floor = 1; floor <= 2; ++floor) {
      for (int32_t n = 1; n <= 5; ++n) {
        const Variant room[] = {Variant(floor * 100 + n), Variant(n <= 2 ? u"SENCILLA" : u"DOBLE"),
                                Variant(u"LIMPIA")};
        db.execute(u"INSERT INTO habitaciones (numero, tipo, estado) VALUES (?, ?, ?)", room);
      }
    }
    const RecordLayout& g = guest_layout();
    for (const DemoGuest& d : kGuests) {
      Record r(g);
      r.set(0, Variant(d.number));
      r.set(guest::kName, Variant(std::u16string(d.name)));
      r.set(guest::kStatus, Variant(std::u16string(d.status)));
      r.set(r.find(u"CIUDADDA"), Variant(std::u16string(d.city)));
      r.set(r.find(u"PAISDA"), Variant(std::u16string(u"MEXICO")));
      r.set(r.find(u"numresda"), Variant(static_cast<double>(d.number + 5000)));
      r.set(guest::kRoom, Variant(d.room));
      r.set(guest::kNumber, Variant(static_cast<double>(d.number)));
      r.set(r.find(u"NUMCUADA"), Variant(1.0));
      r.set(r.find(u"NUMPERDA"), Variant(2.0));
      r.set(r.find(u"TARIFADA"), Variant(d.rate));
      r.set(r.find(u"TPOCAM1DA"), Variant(1.0));
      r.set(r.find(u"FORMPADA"), Variant(std::u16string(u"EFECTIVO")));
      r.set(r.find(u"PLANVIDA"), Variant(std::u16string(u"EP")));
      r.set(r.find(u"FHARESDA"), Variant(Date{d.arrival - 10}));
      r.set(r.find(u"FHAENTDA"), Variant(Date{d.arrival}));
      r.set(r.find(u"FHASALDA"), Variant(Date{d.departure}));
      r.set(r.find(u"FHAEXTDA"), Variant(Date{d.departure}));
      r.set(r.find(u"HORAENTRAD"), Variant(std::u16string(u"15:00")));
      r.set(r.find(u"HORASALIDA"), Variant(std::u16string(u"12:00")));
      insert_record(db, r);
    }
  });
  db.execute(u"DELETE FROM " + std::u16string(charge_layout().table));
  for (const DemoCharge& c : kCharges) {
    Record r(charge_layout());
    r.set(charge::kRoom, Variant(c.room));
    r.set(charge::kGuest, Variant(c.guest));
    r.set(charge::kAmount, Variant(c.amount));
    r.set(charge::kDate, Variant(Date{45662}));
    r.set(charge::kConcept, Variant(std::u16string(c.code)));
    r.set(charge::kDescription, Variant(std::u16string(c.description)));
    r.set(charge::kGroup, Variant(std::u16string(c.group)));
    post_charge(db, r);
  }
}

}  // namespace halvora::sdk
